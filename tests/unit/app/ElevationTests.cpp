#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/Messages.h"

static std::vector<std::pair<UINT, DWORD>> g_filtered;

TEST(Elevation, ADeniedMutexIsARunningCopyAndThreeMessagesPassTheFilter) {
  for (const auto& [error, running] : {std::pair<DWORD, bool>{ERROR_ALREADY_EXISTS, true}, {ERROR_ACCESS_DENIED, true},
                                       {ERROR_SUCCESS, false}, {ERROR_INVALID_HANDLE, false}})
    EXPECT_EQ(AnotherInstanceRuns(error), running) << error;
  AppScope app;
  ScopedSeams seams;
  seams->changeWindowMessageFilterEx = [](HWND window, UINT message, DWORD action, PCHANGEFILTERSTRUCT) {
    return window == App().mainWindow ? g_filtered.emplace_back(message, action), TRUE : TRUE;
  };
  App().taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
  ASSERT_NE(app.MakeMainWindow(), nullptr);
  EXPECT_EQ(g_filtered, (std::vector<std::pair<UINT, DWORD>>{{App().taskbarCreatedMessage, MSGFLT_ALLOW},
                                                             {WM_SHOWTRAYMENU, MSGFLT_ALLOW}, {WM_COPYDATA, MSGFLT_ALLOW}}));
}
