#pragma once

namespace KestraDiags {
namespace Halvex {

// What HalvexDevice::open returns. There is no 504.
enum OpenResult : unsigned int {
  DEV_OPEN_SUCCESS = 0,
  DEV_ERR_ACCESS_DENIED = 500,
  DEV_ERR_BUSY = 501,
  DEV_ERR_WRITE_PROTECTED = 502,
  DEV_ERR_NOT_CONNECTED = 503,
  DEV_ERR_NOT_READY = 505,
  DEV_ERR_OPEN_FAILED = 506,
};

}  // namespace Halvex
}  // namespace KestraDiags
