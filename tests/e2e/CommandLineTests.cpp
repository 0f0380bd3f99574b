// The command line as a script uses it: umbraline.exe started with arguments, its exit code and
// output read back, and what the running program did.
#include <gtest/gtest.h>

#include <regex>

#include "E2eSupport.h"

namespace {

struct CallResult {
  DWORD code = STILL_ACTIVE;
  std::string out, err;
};

std::string Drain(HANDLE pipe) {
  DWORD available = 0, read = 0;
  std::string text(::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) ? available : 0, '\0');
  return text.empty() || !::ReadFile(pipe, text.data(), available, &read, nullptr) ? std::string() : text.substr(0, read);
}

// Runs umbraline.exe with the arguments, its standard output and error going to pipes of ours.
CallResult RunCall(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE reads[2] = {}, writes[2] = {};
  for (int i = 0; i < 2; ++i) ::CreatePipe(&reads[i], &writes[i], &inherited, 65536), ::SetHandleInformation(reads[i], HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{sizeof startup};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writes[0];
  startup.hStdError = writes[1];
  PROCESS_INFORMATION info{};
  std::wstring command = L"\"" + ExecutableFolder() + L"\\umbraline.exe\" " + arguments;
  const bool started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  const KernelHandle process(info.hProcess), thread(info.hThread), out(reads[0]), err(reads[1]), w0(writes[0]), w1(writes[1]);
  CallResult result;
  if (started && ::WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &result.code);
  result.out = Drain(out.Get());
  result.err = Drain(err.Get());
  return result;
}

// Both monitors black all over, or neither showing any black below the top strip (where Wine's tray
// window sits).
bool ScreensBlack(bool black) {
  const auto shows = [&](const RECT& m) {
    return Count(CaptureScreen(), black ? m : RECT{m.left, m.top + 64, m.right, m.bottom}, 0, !black) == 0;
  };
  return WaitFor([&] { return shows(kPrimaryMonitor) && shows(kSecondMonitor); }, 10000);
}

}  // namespace

TEST(CommandLine, CallsChangeTheRunningProgramEndItAndStartIt) {
  ForgetConfiguration();
  ASSERT_TRUE(WriteConfig("[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\n[Overlay]\r\nFadeInDurationMs=0\r\nClockDisplay=None\r\n"));
  RunningProgram program;
  ASSERT_NE(program.WaitForWindow(), nullptr);
  EXPECT_EQ(RunCall(L"--keep-active on").code, 0u);
  EXPECT_TRUE(FileHas("KeepActive=1"));  // saved before the call returned
  const std::string before = ConfigText();
  const CallResult refused = RunCall(L"--keep-active off --for 1h");
  EXPECT_EQ(refused.code, 2u);
  EXPECT_NE(refused.err.find("umbraline --exit | --status | --help"), std::string::npos) << refused.err;
  EXPECT_TRUE(program.Running() && ConfigText() == before);
  EXPECT_EQ(RunCall(L"--PREVENT-SLEEP on --for 2h").code, 0u);
  const CallResult shown = RunCall(L"--status");
  EXPECT_EQ(shown.code, 0u);
  EXPECT_TRUE(std::regex_match(shown.out, std::regex("prevent-sleep on until 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d\r\n"
                                                      "keep-active on\r\nblack-screen off\r\n"))) << shown.out;
  EXPECT_TRUE(FileHas("SleepPreventUntil=20"));
  EXPECT_EQ(RunCall(L"--black-screen all").code, 0u);
  EXPECT_TRUE(OverlaysCover({kPrimaryMonitor, kSecondMonitor}));
  EXPECT_TRUE(ScreensBlack(true));
  EXPECT_NE(RunCall(L"--status").out.find("\nblack-screen all\r\n"), std::string::npos);
  EXPECT_EQ(RunCall(L"--black-screen off").code, 0u);
  EXPECT_TRUE(OverlayWindows().empty());
  EXPECT_TRUE(ScreensBlack(false));
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_FALSE(program.Running());  // gone when the call returns
  // With nothing running: --status and --exit start nothing; a mode option starts the program.
  const CallResult status = RunCall(L"--status");
  EXPECT_TRUE(status.code == 3u && status.out == "not running\r\n") << status.code << status.out;
  EXPECT_TRUE(RunCall(L"--exit").code == 0u && FindMainWindow() == nullptr);
  EXPECT_EQ(RunCall(L"--keep-active off").code, 0u);  // returned while the started program runs on
  EXPECT_TRUE(FindMainWindow() != nullptr && FileHas("KeepActive=0"));
  EXPECT_EQ(RunCall(L"--exit").code, 0u);
  EXPECT_EQ(FindMainWindow(), nullptr);
  ForgetConfiguration();
}
