#include "device/HalvexDevice.h"

#include "log/trace_log.h"

namespace KestraDiags {
namespace Halvex {

namespace {

// How a Windows error of CreateFileA reads as a result of open.
unsigned int openResultOf(DWORD windowsError) {
  switch (windowsError) {
    case ERROR_ACCESS_DENIED:
      return DEV_ERR_ACCESS_DENIED;
    case ERROR_BUSY:
      return DEV_ERR_BUSY;
    case ERROR_WRITE_PROTECT:
      return DEV_ERR_WRITE_PROTECTED;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
      return DEV_ERR_NOT_CONNECTED;
    case ERROR_NOT_READY:
      return DEV_ERR_NOT_READY;
    default:
      return DEV_ERR_OPEN_FAILED;
  }
}

}  // namespace

// The framework's constructor takes the same values in another order.
HalvexDevice::HalvexDevice(const char* nameText, const char* descText, const char* disableText,
                           const char* hostText, const char* typeText, const char* flagText,
                           unsigned int hostValue)
    : IDevice(nameText, disableText, flagText, descText, typeText, hostValue, hostText),
      m_isOpen(false),
      m_deviceHandle(nullptr) {
  m_deviceFlag = true;
}

// The handle is left alone: only close releases it.
HalvexDevice::~HalvexDevice() = default;

unsigned int HalvexDevice::open(unsigned int /*openMode*/) {
  // The path is used in place: a copy of it could fail for want of memory, and open answers with
  // a result code, never with an exception.
  const char* fileName = m_PrideviceDescriptor.c_str();
  writeTrace(*g_pCurrentLog, "m_PrideviceDescriptor: ", m_PrideviceDescriptor);

  SECURITY_ATTRIBUTES security;
  security.nLength = sizeof(SECURITY_ATTRIBUTES);
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = 0;
  m_deviceHandle =
      CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_WRITE, &security, OPEN_EXISTING, 0, nullptr);

  unsigned int result = DEV_OPEN_SUCCESS;
  if (m_deviceHandle != INVALID_HANDLE_VALUE) {
    writeTrace(*g_pCurrentLog, "CreateFile passed");
    m_isOpen = true;
  } else {
    result = openResultOf(GetLastError());
  }
  writeTrace(*g_pCurrentLog, "Return status of open:", static_cast<unsigned long>(GetLastError()));
  return result;
}

void HalvexDevice::close() {
  writeTrace(*g_pCurrentLog, "Entering HalvexDevice::close");
  if (m_deviceHandle != nullptr || m_isOpen) {
    CloseHandle(m_deviceHandle);
    m_deviceHandle = nullptr;
  }
  // Closed means not open: the over-current test must not run on a released handle.
  m_isOpen = false;
  writeTrace(*g_pCurrentLog, "Leaving HalvexDevice::close");
}

void HalvexDevice::deviceControl(unsigned int /*value*/) {}

}  // namespace Halvex
}  // namespace KestraDiags
