#include "backends/windows/windows_duplication.h"

#include <d3d11.h>
#include <dxgi1_2.h>

namespace {

struct Duplication {
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    IDXGIOutputDuplication* output = nullptr;
    ID3D11Texture2D* screen = nullptr;   // the last frame, kept: a frame is lent only until released
    ID3D11Texture2D* staging = nullptr;  // what the processor reads a region from
    UINT stagingWidth = 0;
    UINT stagingHeight = 0;
    UINT width = 0;
    UINT height = 0;
    bool haveFrame = false;
};

Duplication dup;

template <typename T>
void release(T*& object)
{
    if (object != nullptr)
        object->Release();
    object = nullptr;
}

ID3D11Texture2D* makeTexture(UINT width, UINT height, D3D11_USAGE usage, UINT cpuAccess)
{
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = usage;
    desc.CPUAccessFlags = cpuAccess;
    ID3D11Texture2D* texture = nullptr;
    return SUCCEEDED(dup.device->CreateTexture2D(&desc, nullptr, &texture)) ? texture : nullptr;
}

// The primary screen's output, unrotated, at the desktop's origin.
IDXGIOutput1* primaryOutput()
{
    IDXGIDevice* device = nullptr;
    IDXGIAdapter* adapter = nullptr;
    IDXGIOutput* output = nullptr;
    IDXGIOutput1* output1 = nullptr;
    DXGI_OUTPUT_DESC desc{};
    if (SUCCEEDED(dup.device->QueryInterface(__uuidof(IDXGIDevice), reinterpret_cast<void**>(&device))) &&
        SUCCEEDED(device->GetAdapter(&adapter)) && SUCCEEDED(adapter->EnumOutputs(0, &output)) &&
        SUCCEEDED(output->GetDesc(&desc)) && desc.DesktopCoordinates.left == 0 && desc.DesktopCoordinates.top == 0 &&
        (desc.Rotation == DXGI_MODE_ROTATION_IDENTITY || desc.Rotation == DXGI_MODE_ROTATION_UNSPECIFIED))
        output->QueryInterface(__uuidof(IDXGIOutput1), reinterpret_cast<void**>(&output1));
    release(output);
    release(adapter);
    release(device);
    return output1;
}

// Takes in a new frame if the screen changed since the last.
bool refresh()
{
    DXGI_OUTDUPL_FRAME_INFO info{};
    IDXGIResource* resource = nullptr;
    const HRESULT result = dup.output->AcquireNextFrame(0, &info, &resource);
    if (result == DXGI_ERROR_WAIT_TIMEOUT)
        return dup.haveFrame;  // nothing changed: the frame kept is the screen
    if (FAILED(result)) {
        closeDesktopDuplication();  // access lost (a mode change, the secure desktop)
        return false;
    }
    ID3D11Texture2D* frame = nullptr;
    if (SUCCEEDED(resource->QueryInterface(__uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&frame)))) {
        dup.context->CopyResource(dup.screen, frame);
        dup.haveFrame = true;
        release(frame);
    }
    release(resource);
    dup.output->ReleaseFrame();
    return dup.haveFrame;
}

}  // namespace

bool openDesktopDuplication()
{
    closeDesktopDuplication();
    D3D_FEATURE_LEVEL level{};
    if (FAILED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                 &dup.device, &level, &dup.context)))
        return false;
    IDXGIOutput1* output = primaryOutput();
    if (output != nullptr)
        output->DuplicateOutput(dup.device, &dup.output);
    release(output);
    DXGI_OUTDUPL_DESC desc{};
    if (dup.output != nullptr)
        dup.output->GetDesc(&desc);
    if (dup.output == nullptr || desc.ModeDesc.Format != DXGI_FORMAT_B8G8R8A8_UNORM ||
        desc.ModeDesc.Width == 0 || desc.ModeDesc.Height == 0) {
        closeDesktopDuplication();
        return false;
    }
    dup.width = desc.ModeDesc.Width;
    dup.height = desc.ModeDesc.Height;
    dup.screen = makeTexture(dup.width, dup.height, D3D11_USAGE_DEFAULT, 0);
    if (dup.screen == nullptr) {
        closeDesktopDuplication();
        return false;
    }
    return true;
}

void closeDesktopDuplication()
{
    release(dup.staging);
    release(dup.screen);
    release(dup.output);
    release(dup.context);
    release(dup.device);
    dup = Duplication{};
}

bool readDuplicatedScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out, int64_t stride)
{
    if (dup.output == nullptr || left < 0 || top < 0 || width <= 0 || height <= 0 ||
        UINT(left) + UINT(width) > dup.width || UINT(top) + UINT(height) > dup.height || !refresh())
        return false;
    if (dup.staging == nullptr || dup.stagingWidth < UINT(width) || dup.stagingHeight < UINT(height)) {
        release(dup.staging);
        dup.stagingWidth = UINT(width);
        dup.stagingHeight = UINT(height);
        dup.staging = makeTexture(dup.stagingWidth, dup.stagingHeight, D3D11_USAGE_STAGING, D3D11_CPU_ACCESS_READ);
        if (dup.staging == nullptr)
            return false;
    }
    const D3D11_BOX box{UINT(left), UINT(top), 0, UINT(left) + UINT(width), UINT(top) + UINT(height), 1};
    dup.context->CopySubresourceRegion(dup.staging, 0, 0, 0, 0, dup.screen, 0, &box);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (FAILED(dup.context->Map(dup.staging, 0, D3D11_MAP_READ, 0, &mapped)))
        return false;
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(mapped.pData) +
                                                                size_t(y) * mapped.RowPitch);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t pixel = row[x];  // bytes blue, green, red, alpha
            out[y * stride + x] = (pixel >> 16 & 0xFFu) | (pixel & 0xFF00u) | (pixel & 0xFFu) << 16;
        }
    }
    dup.context->Unmap(dup.staging, 0);
    return true;
}
