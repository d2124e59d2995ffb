#pragma once

namespace KestraDiags {
namespace Halvex {

// 111 and 113 reach the host in a result; 100 and 101 end a run early and stay inside it.
enum MsgCodes {
  MSG_INVALID_PARAMETERS = 100,
  MSG_DEVICE_NOT_OPEN = 101,
  MSG_NO_OVER_CURRENT = 111,
  MSG_OVER_CURRENT_EXISTS = 113,
};

}  // namespace Halvex
}  // namespace KestraDiags
