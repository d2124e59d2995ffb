#include "ludrel/HubStatus.h"

#include "Backend.h"
#include "BackendChoice.h"

namespace KestraDiags {
namespace Ludrel {

HubStatusReader::HubStatusReader() : m_backend(chooseBackend()) {}

HubStatusReader::~HubStatusReader() = default;

Result<PortStatus> HubStatusReader::portStatus(const std::string& hub, int port) {
  return m_backend->portStatus(hub, port);
}

Result<HubStatus> HubStatusReader::hubStatus(const std::string& hub) {
  return m_backend->hubStatus(hub);
}

}  // namespace Ludrel
}  // namespace KestraDiags
