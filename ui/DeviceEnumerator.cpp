#include "DeviceEnumerator.h"

namespace {

class DirectSoundEnumerator : public IDeviceEnumerator {
  public:
    void EnumerateCapture(LPDSENUMCALLBACKA callback, LPVOID context) override {
        DirectSoundCaptureEnumerateA(callback, context);
    }
    void EnumerateRender(LPDSENUMCALLBACKA callback, LPVOID context) override {
        DirectSoundEnumerateA(callback, context);
    }
};

} // namespace

IDeviceEnumerator& DirectSoundDevices() {
    static DirectSoundEnumerator devices;
    return devices;
}
