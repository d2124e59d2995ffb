#include "simulated/TopologyCache.h"

#include <mutex>
#include <optional>
#include <utility>

#include "simulated/TopologyFile.h"
#include "simulated/TopologyParser.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

struct CachedTopology {
  std::string path;
  FileStamp stamp;
  LoadedTopology topology;
};

std::mutex g_mutex;
std::optional<CachedTopology> g_cached;

LoadedTopology parse(const std::string& text, const std::string& path) {
  Result<Topology> parsed = parseTopology(text, path);
  if (!parsed.ok()) return parsed.failure();
  return std::shared_ptr<const Topology>(std::make_shared<Topology>(std::move(parsed.value())));
}

}  // namespace

LoadedTopology loadTopology(const std::string& path) {
  const Result<FileStamp> stamp = stampTopologyFile(path);
  if (!stamp.ok()) return stamp.failure();
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_cached && g_cached->path == path && g_cached->stamp == stamp.value()) {
    return g_cached->topology;
  }
  if (stamp.value().size > kMaxTopologyBytes) return tooBigFailure(path);
  // A file that cannot be read now may be readable soon without a new stamp: not kept.
  const Result<std::string> text = readTopologyFile(path);
  if (!text.ok()) return text.failure();
  LoadedTopology topology = parse(text.value(), path);
  g_cached = CachedTopology{path, stamp.value(), topology};
  return topology;
}

}  // namespace Ludrel
}  // namespace KestraDiags
