#include "framework/ErrorBox.h"
#include "framework/UiServices.h"
#include "support/ModalWatch.h"
#include "sys/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {
std::string Format(DWORD code, std::size_t size = 120)
{
    std::vector<char> buffer(size, '#');
    return FormatErrorText(code, buffer.data(), size);
}
}  // namespace

TEST(ErrorText, SystemAndClientTextsServerRepliesFallbackAndCutting)
{
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED), "Permission denied.");
    EXPECT_EQ(Format(ErrorFromErrno(EIO)), "Input/output error.");
    EXPECT_EQ(Format(ERROR_NO_MORE_FILES), "There are no more files.");
    EXPECT_EQ(Format(0xDEAD), "Error Code 0xDEAD (57005)");
    EXPECT_EQ(Format(0xFFFFFFFF), "Error Code 0xFFFFFFFF (-1)");

    // "Permission denied." plus its line end is 20 characters: it needs a buffer of 34.
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, 34), "Permission denied.");
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, 33), "Error Code 0x5 (5)");
    EXPECT_EQ(Format(0xDEAD, 8), "Error C") << "cut to the buffer, zero-terminated";

    // Texts of a client's own codes, with the server's last reply where the code asks for it.
    RegisterMessageTable("ftp", [](DWORD code) -> std::string {
        if (code == 12014)
            return "The password was not allowed\r\n";
        if (code == 12003)
            return "An extended error was returned from the server.\r\n";
        return {};
    });
    SetLastResponseSource([](std::string& r) {
        r = "530 Login incorrect.\r\n";
        return true;
    });
    EXPECT_EQ(Format(12014), "The password was not allowed\r\n") << "table texts keep their line end";
    EXPECT_EQ(Format(12003), "An extended error was returned from the server.\r\n530 Login incorrect.\r\n");
    UnregisterMessageTable("ftp");
    EXPECT_EQ(Format(12003), "Error Code 0x2EE3 (12003)530 Login incorrect.\r\n");
    EXPECT_EQ(Format(12014), "Error Code 0x2EEE (12014)") << "no reply for other codes";
    SetLastResponseSource(nullptr);
    EXPECT_EQ(Format(12003), "Error Code 0x2EE3 (12003)");
}

// A box shows the last error once; with nobody at the screen the same texts go to
// standard error, one line each, and no box waits for ever.
TEST(ErrorText, ReportsGoToTheBoxOrHeadlessToStandardError)
{
    std::vector<std::string> shown;
    SetErrorBoxSink([&](const std::string& text) { shown.push_back(text); });
    SetLastError(ERROR_ACCESS_DENIED);
    ReportLastError();
    SetErrorBoxSink(nullptr);
    EXPECT_EQ(shown, std::vector<std::string>{"Permission denied."});

    ModalWatch boxes;
    const bool wasHeadless = SetHeadless(true);
    testing::internal::CaptureStderr();
    SetLastError(ErrorFromErrno(EBADMSG));
    ReportLastError();
    ShowErrorBox("Could not move \"x\" to the trash.\nNo space left on device\r\n");
    SetHeadless(wasHeadless);
    const std::string self = program_invocation_short_name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              self + ": Bad message.\n" + self + ": Could not move \"x\" to the trash.\nNo space left on device\n");
    EXPECT_EQ(boxes.closed, 0);
}
