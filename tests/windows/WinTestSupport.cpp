#include "tests/windows/WinTestSupport.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kTestClass[] = "GameTestWindow";

}  // namespace

CTestWindow::CTestWindow() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kTestClass;
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, kTestClass, "test", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                             nullptr, instance, nullptr);
    Pump();
}

CTestWindow::~CTestWindow() {
    if (window != nullptr) {
        DestroyWindow(window);
        Pump();
    }
}

void CTestWindow::Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

CLockedSurface::CLockedSurface(IDirectDrawSurface4* lockedSurface)
    : surface(lockedSurface), ok(false), width(0), height(0), pitch(0), bits(0), memory(nullptr) {
    if (surface == nullptr) {
        return;
    }
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) {
        return;
    }
    ok = true;
    width = static_cast<int32_t>(desc.dwWidth);
    height = static_cast<int32_t>(desc.dwHeight);
    pitch = desc.lPitch;
    bits = desc.ddpfPixelFormat.dwRGBBitCount;
    memory = static_cast<uint8_t*>(desc.lpSurface);
}

CLockedSurface::~CLockedSurface() {
    if (ok) {
        surface->Unlock(nullptr);
    }
}

uint32_t CLockedSurface::Get(int32_t x, int32_t y) const {
    const uint8_t* p = memory + y * pitch + x * static_cast<int32_t>(bits / 8);
    uint32_t value = 0;
    std::memcpy(&value, p, bits / 8);
    return value;
}

void CLockedSurface::Set(int32_t x, int32_t y, uint32_t value) {
    uint8_t* p = memory + y * pitch + x * static_cast<int32_t>(bits / 8);
    std::memcpy(p, &value, bits / 8);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
