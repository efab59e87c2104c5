#include "TestDeviceList.h"

#include <gtest/gtest.h>

#include "EngineHarness.h"

TestDeviceList::TestDeviceList(DeviceSet capture, DeviceSet render)
    : m_capture(std::move(capture)), m_render(std::move(render)) {}

void TestDeviceList::SetCapture(DeviceSet capture) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capture = std::move(capture);
}

void TestDeviceList::SetRender(DeviceSet render) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_render = std::move(render);
}

int TestDeviceList::CaptureEnumerations() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_captureEnumerations;
}

void TestDeviceList::EnumerateCapture(LPDSENUMCALLBACKA callback, LPVOID context) {
    DeviceSet devices;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_captureEnumerations;
        devices = m_capture;
    }
    Hand(devices, callback, context);
}

void TestDeviceList::EnumerateRender(LPDSENUMCALLBACKA callback, LPVOID context) {
    DeviceSet devices;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        devices = m_render;
    }
    Hand(devices, callback, context);
}

void TestDeviceList::Hand(const DeviceSet& devices, LPDSENUMCALLBACKA callback, LPVOID context) {
    if (!callback(nullptr, "Primary Sound Driver", "", context))
        return;
    for (ListedDevice device : devices)
        if (!callback(&device.guid, device.description.c_str(), "", context))
            return;
}

ListedDevice RigMicrophone(const char* description, const char* listAs) {
    ListedDevice device = {{}, listAs ? listAs : description};
    EXPECT_TRUE(FindCaptureDevice(description, device.guid)) << "no rig device " << description;
    return device;
}

ListedDevice MadeUpDevice(uint32_t id, const std::string& description) {
    return {{id, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}}, description};
}
