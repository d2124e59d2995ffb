#pragma once

#include "IDevice.h"
#include "TessaryExport.h"

namespace KestraDiags {
namespace DeviceEnum {

// A shared handle on a device: copies may be destroyed in any order, the last one deletes it.
// Wrapping, copying and destroying never allocate and never throw.
class TESSARY_API VirtualDevice {
 public:
  explicit VirtualDevice(IDevice* device) noexcept;
  VirtualDevice(const VirtualDevice& other) noexcept;
  VirtualDevice& operator=(const VirtualDevice& other) noexcept;
  virtual ~VirtualDevice();

  virtual IDevice* getDevice() const;

 private:
  void release() noexcept;

  IDevice* m_device;
};

}  // namespace DeviceEnum
}  // namespace KestraDiags
