#include <algorithm>

#include "DiagnoseRounds.h"
#include "OverCurrentHook.h"
#include "StopSignals.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

using Clock = std::chrono::steady_clock;

// The events that arrived together: one round answers them all.
struct EventBatch {
  std::vector<Ludrel::UsbEvent> overCurrents;
  HubLocations hubs;            // of the over-currents
  bool devicesChanged = false;  // a device came or went, or an event named no hub
};

EventBatch takeEvents(Ludrel::UsbEventSource* source) {
  EventBatch batch;
  if (source == nullptr) return batch;
  for (Ludrel::UsbEvent& event : source->take()) {
    if (event.kind != Ludrel::UsbEventKind::OverCurrent || event.location.empty()) {
      batch.devicesChanged = true;
    }
    if (event.kind == Ludrel::UsbEventKind::OverCurrent) {
      batch.hubs.insert(event.location);
      batch.overCurrents.push_back(std::move(event));
    }
  }
  return batch;
}

// Null, and one line on err, where the system tells no events: the timer alone wakes the watch.
std::shared_ptr<Ludrel::UsbEventSource> openEvents(const HostOptions& options, std::ostream& err) {
  Result<std::shared_ptr<Ludrel::UsbEventSource>> source = Ludrel::UsbEventSource::open();
  if (source.ok()) return source.value();
  err << "halvex-host: USB events are not available (" << singleLine(source.failure().message)
      << "); diagnosing every " << options.watchSeconds << " s only\n";
  return nullptr;
}

// The hubs of a later round put into the latest full one, with that round's outcome and times:
// the metrics file keeps a sample of every hub.
void takeInto(Diagnosis& latest, const Diagnosis& round) {
  for (const HubCheck& hub : round.hubs) {
    const auto same =
        std::find_if(latest.hubs.begin(), latest.hubs.end(),
                     [&](const HubCheck& old) { return old.location == hub.location; });
    if (same == latest.hubs.end()) {
      latest.hubs.push_back(hub);
    } else {
      *same = hub;
    }
  }
  latest.failure = round.failure;
  latest.durationSeconds = round.durationSeconds;
  latest.finishedAtUnixSeconds = round.finishedAtUnixSeconds;
}

}  // namespace

int watchDiagnose(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
                  std::ostream& err) {
  StopSignals stopSignals;
  OverCurrentHooks hooks(options.hookCommand, std::chrono::seconds(options.hookTimeoutSeconds));
  const auto period = std::chrono::seconds(options.watchSeconds);
  // Before the first round, so that no event during it is lost.
  const std::shared_ptr<Ludrel::UsbEventSource> events =
      module.ok() ? openEvents(options, err) : nullptr;
  Diagnosis latest = diagnoseRound(module, options, {});
  const int status = reportRound(latest, latest, {}, options, out, err);
  // Without a module no later round can do better.
  if (!module.ok()) return status;
  hooks.afterRound(latest, {}, err);
  auto heartbeat = Clock::now() + period;
  for (;;) {
    auto until = heartbeat;
    if (events && events->nextDue()) until = std::min(until, *events->nextDue());
    if (stopSignals.waitForStop(until, events ? events->descriptor() : -1)) return kExitOk;
    const EventBatch batch = takeEvents(events.get());
    // A device that came or went makes the hubs' list stale: every hub is checked anew.
    const bool everyHub = batch.devicesChanged || Clock::now() >= heartbeat;
    if (!everyHub && batch.overCurrents.empty()) continue;
    if (!options.json) out << '\n';
    Diagnosis round = diagnoseRound(module, options, everyHub ? HubLocations() : batch.hubs);
    if (everyHub) {
      latest = round;
      heartbeat = Clock::now() + period;
    } else {
      takeInto(latest, round);
    }
    reportRound(round, latest, batch.overCurrents, options, out, err);
    hooks.afterRound(round, batch.overCurrents, err);
  }
}

}  // namespace HalvexHost
}  // namespace KestraDiags
