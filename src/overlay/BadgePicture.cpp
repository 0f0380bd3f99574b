// The badge pictures beside the executable (mode1.png, mode2.png), decoded with the Windows Imaging
// Component into straight BGRA pixels.
#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "app/AppState.h"
#include "base/Handles.h"
#include "base/Helpers.h"
#include "overlay/Overlay.h"

namespace {

constexpr CLSID kClsidWicImagingFactory2 = {
    0x317D06E8, 0x5F24, 0x433D, {0xBD, 0xF7, 0x79, 0xCE, 0x68, 0xD8, 0xAB, 0xC2}};
constexpr IID kIidWicImagingFactory = {0xEC5EC8A9, 0xC395, 0x4314, {0x9C, 0x77, 0x54, 0xD7, 0xA9, 0x35, 0xFF, 0x70}};
constexpr GUID kPixelFormat32bppBgra = {0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0F}};

void ResetImage(BadgeImage& image) {
  image.pixels.clear();
  image.pixels.shrink_to_fit();
  image.width = 0;
  image.height = 0;
  image.loaded = false;
}

bool EnsureCom() {
  AppState& app = App();
  if (app.comInitAttempted) return true;
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(hr)) {
    app.comInitialized = true;
  } else if (hr != RPC_E_CHANGED_MODE) {
    return false;  // tried again at the next decode
  }
  app.comInitAttempted = true;
  return true;
}

}  // namespace

void LoadBadgeImages() {
  const std::wstring folder = ExecutableFolder();
  if (folder.empty()) return;
  const std::wstring base = folder + L"\\";
  AppState& app = App();
  if (!app.sleepPreventBadgeImage.loaded) DecodePngFile(base + L"mode1.png", app.sleepPreventBadgeImage);
  if (!app.keepActiveBadgeImage.loaded) DecodePngFile(base + L"mode2.png", app.keepActiveBadgeImage);
}

bool BadgeSizeAcceptable(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width >= 0x80000000u || height >= 0x80000000u) return false;
  const std::uint64_t count = static_cast<std::uint64_t>(width) * height;
  if (count > kBadgeMaxPixels) return false;
  // The pixel array, its byte size and the row stride handed to the converter must all fit.
  return count <= std::numeric_limits<std::size_t>::max() / 4 && count * 4 <= std::numeric_limits<UINT>::max();
}

bool DecodePngFile(const std::wstring& path, BadgeImage& image) {
  ResetImage(image);
  if (path.empty() || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (!EnsureCom()) return false;

  // Released in reverse order of acquisition when the scope ends, whatever the outcome.
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(::CoCreateInstance(kClsidWicImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, kIidWicImagingFactory,
                                factory.PutVoid())) ||
      !factory)
    return false;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                decoder.Put())))
    return false;
  if (FAILED(decoder->GetFrame(0, frame.Put()))) return false;
  UINT w = 0;
  UINT h = 0;
  if (FAILED(frame->GetSize(&w, &h))) return false;
  // The header alone decides the allocation below: a picture claiming an absurd size is refused
  // before anything is reserved for it.
  if (!BadgeSizeAcceptable(w, h)) return false;
  if (FAILED(factory->CreateFormatConverter(converter.Put()))) return false;
  if (FAILED(converter->Initialize(frame.Get(), kPixelFormat32bppBgra, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;

  try {
    image.pixels.assign(static_cast<std::size_t>(w) * h, 0);
  } catch (const std::bad_alloc&) {
    ResetImage(image);
    return false;
  }
  const WICRect whole{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
  if (FAILED(converter->CopyPixels(&whole, w * 4, w * 4 * h, reinterpret_cast<BYTE*>(image.pixels.data())))) {
    ResetImage(image);
    return false;
  }
  image.width = static_cast<int>(w);
  image.height = static_cast<int>(h);
  image.loaded = true;
  return true;
}

void ReleaseBadgeImages() {
  AppState& app = App();
  app.sleepPreventBadgeImage = BadgeImage{};
  app.keepActiveBadgeImage = BadgeImage{};
  if (app.comInitialized) ::CoUninitialize();
  app.comInitialized = app.comInitAttempted = false;
}
