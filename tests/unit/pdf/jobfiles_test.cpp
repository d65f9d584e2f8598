#include "pdfjob.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(LeftoverTempFile, StaysAFileNameInsideTmp) {
    struct Case {
        const char* title;
        std::optional<std::string> path;
    } cases[] = {
        {"report.pdf", "/tmp/12_report.pdf"}, {"", "/tmp/12_"},      {"..", "/tmp/12_.."},
        {"../../etc/passwd", std::nullopt},   {"a/b", std::nullopt}, {"/", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vel::leftoverTempFile("12", c.title), c.path) << c.title;
    EXPECT_EQ(vel::leftoverTempFile("1/..", "x"), std::nullopt);
    // A cut path would name some other file.
    EXPECT_EQ(vel::leftoverTempFile("12", std::string(1100, 'x')), std::nullopt);
}

TEST(PdfPrinterName, FallsBackToThePpdNameWhenStartedByHand) {
    setenv("PPD", "/etc/cups/ppd/Office.ppd", 1);
    std::string log;
    vel::LogFn sink = [&](std::string_view t) { log += t; };
    EXPECT_EQ(vel::pdfPrinterName("Queue1", sink), "Queue1");
    EXPECT_EQ(log, "");
    EXPECT_EQ(vel::pdfPrinterName("./velfilter_pdf", sink), "Office");
    EXPECT_EQ(vel::pdfPrinterName(nullptr, sink), "Office");
    EXPECT_EQ(vel::pdfPrinterName("", sink), "Office");
    // One line each time the fallback is used.
    EXPECT_EQ(log, "PPD: /etc/cups/ppd/Office.ppd\nPPD: /etc/cups/ppd/Office.ppd\n"
                   "PPD: /etc/cups/ppd/Office.ppd\n");

    setenv("PPD", "/home/u/my.dir/Lab.b.ppd", 1);
    EXPECT_EQ(vel::pdfPrinterName("./velfilter_pdf", sink), "Lab");
    unsetenv("PPD");
}

} // namespace
