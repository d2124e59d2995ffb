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

// The enumerator's name, for messages; null for a number that is no result of open.
inline const char* openResultName(unsigned int result) {
  switch (result) {
    case DEV_OPEN_SUCCESS:
      return "DEV_OPEN_SUCCESS";
    case DEV_ERR_ACCESS_DENIED:
      return "DEV_ERR_ACCESS_DENIED";
    case DEV_ERR_BUSY:
      return "DEV_ERR_BUSY";
    case DEV_ERR_WRITE_PROTECTED:
      return "DEV_ERR_WRITE_PROTECTED";
    case DEV_ERR_NOT_CONNECTED:
      return "DEV_ERR_NOT_CONNECTED";
    case DEV_ERR_NOT_READY:
      return "DEV_ERR_NOT_READY";
    case DEV_ERR_OPEN_FAILED:
      return "DEV_ERR_OPEN_FAILED";
  }
  return nullptr;
}

}  // namespace Halvex
}  // namespace KestraDiags
