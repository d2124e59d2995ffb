#include "PortFindings.h"

#include "PortReports.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

using nlohmann::ordered_json;

// What one hub or port answer has to tell, if anything.
struct Finding {
  std::optional<int> port;  // unset: the hub itself
  const char* kind = nullptr;
  std::string text;  // "OVER-CURRENT now", "past over-current (latched, count 3)", "not asked: ..."
  bool latched = false;
  std::optional<std::uint32_t> count;
  const std::optional<PortDevice>* device = nullptr;
  std::optional<Failure> failure;
};

std::optional<Finding> findingOf(OverCurrent overCurrent, bool latched,
                                 const std::optional<std::uint32_t>& count) {
  Finding finding;
  finding.latched = latched;
  finding.count = count;
  if (overCurrent == OverCurrent::Now) {
    finding.kind = "over-current";
    finding.text = "OVER-CURRENT now";
    return finding;
  }
  if (overCurrent != OverCurrent::Past) return std::nullopt;
  finding.kind = "past-over-current";
  std::string why = latched ? "latched" : "";
  if (count) why += (why.empty() ? "count " : ", count ") + std::to_string(*count);
  finding.text = "past over-current (" + why + ")";
  return finding;
}

// A question the system cannot answer at all is no finding.
std::optional<Finding> notAskedFinding(const Failure& failure) {
  if (isUnsupported(failure)) return std::nullopt;
  Finding finding;
  finding.kind = "not-asked";
  finding.text = "not asked: " + singleLine(failure.message);
  finding.failure = failure;
  return finding;
}

std::optional<Finding> hubFinding(const HubAnswer& hub) {
  if (!hub.status.ok()) {
    std::optional<Finding> failed = notAskedFinding(hub.status.failure());
    if (failed) failed->text = "hub status " + failed->text;
    return failed;
  }
  const Ludrel::HubStatus& status = hub.status.value();
  std::optional<Finding> finding =
      findingOf(overCurrentOf(status), status.overCurrentChange.value_or(false), std::nullopt);
  if (finding) finding->text += " at hub level";
  return finding;
}

std::optional<Finding> portFinding(const PortAnswer& port) {
  std::optional<Finding> finding;
  if (port.status.ok()) {
    const Ludrel::PortStatus& status = port.status.value();
    finding = findingOf(overCurrentOf(status), status.flags.overCurrentChange.value_or(false),
                        status.overCurrentCount);
  } else {
    finding = notAskedFinding(port.status.failure());
  }
  if (finding) {
    finding->port = port.port;
    finding->device = &port.device;
  }
  return finding;
}

// "1 off, 2 on, 3 ?": what a hub in over-current of its own has done to its ports.
std::string portPowerText(const HubAnswer& hub) {
  std::string text;
  for (const PortAnswer& port : hub.ports) {
    const std::optional<bool> powered =
        port.status.ok() ? port.status.value().flags.powered : std::nullopt;
    text += (text.empty() ? "" : ", ") + std::to_string(port.port) + " " +
            (powered ? (*powered ? "on" : "off") : "?");
  }
  return text;
}

ordered_json portPowerJson(const HubAnswer& hub) {
  ordered_json power = ordered_json::object();
  for (const PortAnswer& port : hub.ports) {
    const std::optional<bool> powered =
        port.status.ok() ? port.status.value().flags.powered : std::nullopt;
    power[std::to_string(port.port)] = powered ? ordered_json(*powered) : ordered_json(nullptr);
  }
  return power;
}

std::vector<Finding> findingsOf(const HubAnswer& hub) {
  std::vector<Finding> findings;
  if (std::optional<Finding> own = hubFinding(hub)) findings.push_back(*own);
  for (const PortAnswer& port : hub.ports) {
    if (std::optional<Finding> finding = portFinding(port)) findings.push_back(*finding);
  }
  return findings;
}

bool isHubOverCurrent(const Finding& finding) {
  return !finding.port && std::string(finding.kind) == "over-current";
}

// The device the hub's answer names on the port.
std::optional<PortDevice> deviceOnPort(const HubAnswer* hub, int port) {
  const PortAnswer* answer = hub != nullptr ? portAnswerOf(*hub, port) : nullptr;
  return answer != nullptr ? answer->device : std::nullopt;
}

}  // namespace

std::vector<std::string> findingLines(const HubAnswer& hub) {
  std::vector<std::string> lines;
  for (const Finding& finding : findingsOf(hub)) {
    std::string line = singleLine(hub.location);
    if (finding.port) line += " port " + std::to_string(*finding.port);
    line += ": " + finding.text;
    if (isHubOverCurrent(finding)) line += ", port power: " + portPowerText(hub);
    if (finding.device && *finding.device) line += " " + portDeviceText(*finding.device);
    lines.push_back(line);
  }
  return lines;
}

ordered_json findingsJson(const HubAnswer& hub) {
  ordered_json findings = ordered_json::array();
  for (const Finding& finding : findingsOf(hub)) {
    ordered_json entry = {
        {"port", finding.port ? ordered_json(*finding.port) : ordered_json(nullptr)},
        {"finding", finding.kind},
        {"latched", finding.latched},
        {"count", finding.count ? ordered_json(*finding.count) : ordered_json(nullptr)},
        {"device", finding.device ? portDeviceJson(*finding.device) : ordered_json(nullptr)},
        {"error", finding.failure ? errorJson(*finding.failure) : ordered_json(nullptr)}};
    if (isHubOverCurrent(finding)) entry["portPower"] = portPowerJson(hub);
    findings.push_back(entry);
  }
  return findings;
}

std::string overCurrentEventLine(const Ludrel::UsbEvent& event, const HubAnswer* hub) {
  const std::string device = portDeviceText(deviceOnPort(hub, event.port));
  return event.location + " port " + std::to_string(event.port) + ": over-current event" +
         (event.overCurrentCount ? ", count " + std::to_string(*event.overCurrentCount) : "") +
         (device.empty() ? "" : " " + device);
}

ordered_json overCurrentEventJson(const Ludrel::UsbEvent& event, const HubAnswer* hub) {
  return {{"hub", event.location},
          {"port", event.port},
          {"count",
           event.overCurrentCount ? ordered_json(*event.overCurrentCount) : ordered_json(nullptr)},
          {"device", portDeviceJson(deviceOnPort(hub, event.port))}};
}

}  // namespace HalvexHost
}  // namespace KestraDiags
