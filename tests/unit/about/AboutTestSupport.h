#pragma once
// Helpers for the About card tests: an in-memory version block and a scope that leaves no card behind.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "about/AboutWindow.h"
#include "app/AppState.h"

// Builds a version block in the binary layout the resource compiler produces (and VerQueryValueW reads).
class VersionBlockBuilder {
 public:
  // Strings of one table, keyed by "llllcccc" (language and code page in hexadecimal).
  VersionBlockBuilder& Table(const std::wstring& name, std::vector<std::pair<std::wstring, std::wstring>> strings) {
    tables_.push_back({name, std::move(strings)});
    return *this;
  }
  // The translation list; its byte size may be cut short to model a damaged block.
  VersionBlockBuilder& Translation(WORD language, WORD codePage, WORD bytes = 4) {
    translation_[0] = language;
    translation_[1] = codePage;
    translationBytes_ = bytes;
    hasTranslation_ = true;
    return *this;
  }
  std::vector<std::uint8_t> Build() const {
    std::vector<Node> top;
    Node stringInfo{L"StringFileInfo", {}, 0, 1, {}};
    for (const auto& table : tables_) {
      Node tableNode{table.first, {}, 0, 1, {}};
      for (const auto& [key, value] : table.second) {
        std::vector<std::uint8_t> bytes = Utf16(value);
        bytes.push_back(0);
        bytes.push_back(0);
        tableNode.children.push_back({key, bytes, static_cast<WORD>(value.size() + 1), 1, {}});
      }
      stringInfo.children.push_back(tableNode);
    }
    top.push_back(stringInfo);
    if (hasTranslation_) {
      const std::uint8_t all[4] = {static_cast<std::uint8_t>(translation_[0] & 0xFF),
                                   static_cast<std::uint8_t>(translation_[0] >> 8),
                                   static_cast<std::uint8_t>(translation_[1] & 0xFF),
                                   static_cast<std::uint8_t>(translation_[1] >> 8)};
      std::vector<std::uint8_t> pair(all, all + (translationBytes_ < 4 ? translationBytes_ : 4));
      Node var{L"Translation", pair, translationBytes_, 0, {}};
      top.push_back(Node{L"VarFileInfo", {}, 0, 1, {var}});
    }
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    std::vector<std::uint8_t> fixedBytes(sizeof fixed);
    std::memcpy(fixedBytes.data(), &fixed, sizeof fixed);
    return Serialize(Node{L"VS_VERSION_INFO", fixedBytes, static_cast<WORD>(sizeof fixed), 0, top});
  }

 private:
  struct Node {
    std::wstring key;
    std::vector<std::uint8_t> value;
    WORD valueLength;
    WORD type;
    std::vector<Node> children;
  };
  static std::vector<std::uint8_t> Utf16(const std::wstring& text) {
    std::vector<std::uint8_t> out;
    for (wchar_t c : text) {
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
      out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return out;
  }
  static void Align(std::vector<std::uint8_t>& bytes) {
    while (bytes.size() % 4 != 0) bytes.push_back(0);
  }
  static std::vector<std::uint8_t> Serialize(const Node& node) {
    std::vector<std::uint8_t> out(6, 0);
    std::vector<std::uint8_t> key = Utf16(node.key);
    out.insert(out.end(), key.begin(), key.end());
    out.push_back(0);
    out.push_back(0);
    Align(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const Node& child : node.children) {
      Align(out);
      std::vector<std::uint8_t> bytes = Serialize(child);
      out.insert(out.end(), bytes.begin(), bytes.end());
    }
    const WORD length = static_cast<WORD>(out.size());
    out[0] = static_cast<std::uint8_t>(length & 0xFF);
    out[1] = static_cast<std::uint8_t>(length >> 8);
    out[2] = static_cast<std::uint8_t>(node.valueLength & 0xFF);
    out[3] = static_cast<std::uint8_t>(node.valueLength >> 8);
    out[4] = static_cast<std::uint8_t>(node.type);
    out[5] = 0;
    return out;
  }

  std::vector<std::pair<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>>> tables_;
  WORD translation_[2] = {0, 0};
  WORD translationBytes_ = 4;
  bool hasTranslation_ = false;
};

// Runs the thread's pending messages (input included) for a while.
inline void PumpMessages(DWORD milliseconds = 50) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  do {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(5);
  } while (::GetTickCount64() < end);
}

// Gives App() an instance for the test and closes any card left open, restoring what it changed.
class AboutScope {
 public:
  AboutScope() : savedInstance_(App().instance), savedMainWindow_(App().mainWindow) {
    App().instance = ::GetModuleHandleW(nullptr);
    App().mainWindow = nullptr;
  }
  ~AboutScope() {
    if (App().aboutWindow != nullptr && ::IsWindow(App().aboutWindow)) ::DestroyWindow(App().aboutWindow);
    App().aboutWindow = nullptr;
    ::ReleaseCapture();
    PumpMessages(10);
    App().instance = savedInstance_;
    App().mainWindow = savedMainWindow_;
  }
  AboutScope(const AboutScope&) = delete;
  AboutScope& operator=(const AboutScope&) = delete;

 private:
  HINSTANCE savedInstance_;
  HWND savedMainWindow_;
};
