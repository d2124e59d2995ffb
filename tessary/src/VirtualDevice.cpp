#include "tessary/VirtualDevice.h"

namespace KestraDiags {
namespace DeviceEnum {

VirtualDevice::VirtualDevice(IDevice* device) noexcept : m_device(device) {
  if (m_device != nullptr) {
    ++m_device->m_wrapperCount;
  }
}

VirtualDevice::VirtualDevice(const VirtualDevice& other) noexcept : VirtualDevice(other.m_device) {}

VirtualDevice& VirtualDevice::operator=(const VirtualDevice& other) noexcept {
  // Take the new share before dropping the old one, so that assigning a wrapper to itself, or
  // to another wrapper of the same device, never lets the count reach zero on the way.
  IDevice* incoming = other.m_device;
  if (incoming != nullptr) {
    ++incoming->m_wrapperCount;
  }
  release();
  m_device = incoming;
  return *this;
}

VirtualDevice::~VirtualDevice() { release(); }

IDevice* VirtualDevice::getDevice() const { return m_device; }

void VirtualDevice::release() noexcept {
  if (m_device != nullptr && --m_device->m_wrapperCount == 0) {
    delete m_device;
  }
  m_device = nullptr;
}

}  // namespace DeviceEnum
}  // namespace KestraDiags
