#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/Handles.h"
#include "resource.h"
#include "tray/TrayIcon.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {  // GRPICONDIRENTRY
  BYTE width;
  BYTE height;
  BYTE colorCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytesInRes;
  WORD id;
};
struct GroupIconHeader {  // GRPICONDIR without its entries
  WORD reserved;
  WORD type;
  WORD count;
};
#pragma pack(pop)

struct GroupEntry {
  int size;
  int bitCount;
};

// The images an icon group of this executable lists.
std::vector<GroupEntry> ReadIconGroup(WORD id) {
  std::vector<GroupEntry> entries;
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  if (!found) return entries;
  const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, found)));
  const DWORD size = ::SizeofResource(module, found);
  if (!bytes || size < sizeof(GroupIconHeader)) return entries;
  const auto* header = reinterpret_cast<const GroupIconHeader*>(bytes);
  if (sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry) > size) return entries;
  const auto* entry = reinterpret_cast<const GroupIconEntry*>(bytes + sizeof(GroupIconHeader));
  for (WORD i = 0; i < header->count; ++i)
    entries.push_back({entry[i].width == 0 ? 256 : entry[i].width, entry[i].bitCount});
  return entries;
}

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;  // top-down
};

IconPixels ReadIconPixels(HICON icon) {
  IconPixels out;
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return out;
  BitmapHandle color(info.hbmColor);
  BitmapHandle mask(info.hbmMask);
  BITMAP bitmap{};
  if (!color || !::GetObjectW(color.Get(), sizeof(bitmap), &bitmap)) return out;
  out.width = bitmap.bmWidth;
  out.height = bitmap.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof(request.bmiHeader);
  request.bmiHeader.biWidth = out.width;
  request.bmiHeader.biHeight = -out.height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  out.bgra.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  WindowDc screen(nullptr);
  if (!::GetDIBits(screen.Get(), color.Get(), 0, static_cast<UINT>(out.height), out.bgra.data(), &request, DIB_RGB_COLORS))
    out.bgra.clear();
  return out;
}

TEST(IconGroups, ListTheirSizesIn32BitColour) {
  const struct {
    WORD id;
    std::vector<int> sizes;
  } groups[] = {
      {IDI_APP_ICON, {16, 24, 32, 48, 64, 128, 256}},
      {IDI_TRAY_ICON, {16, 24, 32, 48}},
  };
  for (const auto& group : groups) {
    SCOPED_TRACE(group.id);
    const auto entries = ReadIconGroup(group.id);
    std::vector<int> sizes;
    for (const auto& e : entries) {
      sizes.push_back(e.size);
      EXPECT_EQ(32, e.bitCount);
    }
    EXPECT_EQ(group.sizes, sizes);
  }
}

TEST(IconGroups, EverySizeLoadsWithAnAlphaChannel) {
  const struct {
    WORD id;
    std::vector<int> sizes;
  } groups[] = {
      {IDI_APP_ICON, {16, 24, 32, 48, 64, 128, 256}},
      {IDI_TRAY_ICON, {16, 24, 32, 48}},
  };
  for (const auto& group : groups) {
    for (int size : group.sizes) {
      SCOPED_TRACE(testing::Message() << group.id << " at " << size);
      IconHandle icon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(group.id), IMAGE_ICON,
                                                      size, size, LR_CREATEDIBSECTION)));
      ASSERT_TRUE(icon);
      const IconPixels pixels = ReadIconPixels(icon.Get());
      EXPECT_EQ(size, pixels.width);
      EXPECT_EQ(size, pixels.height);
      ASSERT_FALSE(pixels.bgra.empty());
      // Transparent corners, an opaque middle and soft (partly transparent) edges.
      int transparent = 0, opaque = 0, partial = 0;
      for (std::uint32_t p : pixels.bgra) {
        const std::uint32_t alpha = p >> 24;
        alpha == 0 ? ++transparent : alpha == 255 ? ++opaque : ++partial;
      }
      EXPECT_EQ(0u, pixels.bgra.front() >> 24);
      EXPECT_EQ(0u, pixels.bgra.back() >> 24);
      EXPECT_EQ(255u, pixels.bgra[static_cast<std::size_t>(size / 2) * size + size / 2] >> 24);
      EXPECT_GT(opaque, size * size / 3);
      EXPECT_GT(transparent, 0);
      EXPECT_GT(partial, 0);
    }
  }
}

TEST(LoadTrayIconPicture, OwnResourceAtTheSmallIconSize) {
  const TrayIconPicture picture = LoadTrayIconPicture(::GetModuleHandleW(nullptr));
  EXPECT_EQ(1, picture.attempt);
  ASSERT_TRUE(picture.owned);
  const IconPixels pixels = ReadIconPixels(picture.Get());
  EXPECT_EQ(::GetSystemMetrics(SM_CXSMICON), pixels.width);
  EXPECT_EQ(::GetSystemMetrics(SM_CYSMICON), pixels.height);
}

}  // namespace
