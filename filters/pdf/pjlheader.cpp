// The PJL job header ahead of the PDF, and the lines after its trailer.
#include "pdfjob.h"

#include "pjltext.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace vel {

namespace {

// The printer reads PJL lines of at most this many bytes, line feed included.
constexpr size_t kMaxPjlLine = 255;
// The job name line holds at most this many bytes.
constexpr size_t kMaxJobNameLine = 96;
// "yymmdd HHMMSS" after the job name.
constexpr size_t kDateTextLength = 13;

// Appends whole units (one or more lines that belong together) while the
// header stays below its budget.
class HeaderBuilder {
  public:
    HeaderBuilder(const LogFn& log, size_t budget) : log_(log), budget_(budget) {}

    void add(const std::string& unit) {
        if (unit.empty()) return;
        if (text_.size() + unit.size() < budget_) {
            text_ += unit;
        } else if (log_) {
            log_("Header too long\n");
        }
    }
    std::string take() { return std::move(text_); }

  private:
    const LogFn& log_;
    size_t budget_;
    std::string text_;
};

enum class Oversize {
    Cut,   // informational values: cut at a character boundary
    Refuse // credentials and codes: a cut value would be a different one
};

// `@PJL SET <variable>="<value>"\n`, with the value made safe for a quoted
// PJL string. A value that would make the line longer than the printer
// accepts is cut or the line is left out (reported to log), as oversize says.
std::string quotedSetLine(const char* variable, std::string_view value, Oversize oversize,
                          const LogFn& log) {
    std::string head = std::string("@PJL SET ") + variable + "=\"";
    size_t room = kMaxPjlLine - head.size() - 2;
    if (value.size() > room && oversize == Oversize::Refuse) {
        if (log)
            log(format("WARNING: The %s value is too long for the printer (%zu bytes) and "
                       "was left out\n",
                       variable, value.size()));
        return {};
    }
    return head + pjlText(value, room) + "\"\n";
}

// `@PJL SET <variable>=<value>\n` for a free-text value outside quotes.
std::string plainSetLine(const char* variable, std::string_view value, const LogFn& log) {
    std::string head = std::string("@PJL SET ") + variable + "=";
    if (head.size() + value.size() + 1 > kMaxPjlLine) {
        if (log)
            log(format("WARNING: The %s value is too long for the printer (%zu bytes) and was "
                       "left out\n",
                       variable, value.size()));
        return {};
    }
    return head + pjlText(value) + "\n";
}

std::string dateText(std::time_t now) {
    struct tm local {};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%y%m%d %H%M%S", &local);
    return buf;
}

// "off" (and "False") is what the settings application stores when the
// job-end notice is switched off; it is no address.
bool isNoticeAddress(std::string_view notice) {
    return !notice.empty() && notice != "off" && notice != "False";
}

} // namespace

std::string headerJobName(const PdfJobSettings& job) {
    const std::string& source = job.useCustomJobName ? job.customJobName : job.title;
    // Room for the name: 79 bytes, less the date text that follows it.
    size_t n = job.printJobDate ? 79 - kDateTextLength : 79;
    bool continuation = n < source.size() && (static_cast<unsigned char>(source[n]) & 0xC0) == 0x80;
    size_t len = std::min(source.size(), continuation ? n - 1 : n - 2);
    // Never end on a partial UTF-8 character.
    while (len > 0 && len < source.size() &&
           (static_cast<unsigned char>(source[len]) & 0xC0) == 0x80)
        --len;
    return source.substr(0, len);
}

std::string buildPjlHeader(const PdfJobSettings& job, const LogFn& log, std::time_t now,
                           size_t budget) {
    HeaderBuilder h(log, budget);

    h.add("\x1b%-12345X@PJL\n@PJL JOB\n"); // UEL, enter PJL, start of job

    std::string name = pjlText(headerJobName(job));
    std::string nameLine = job.printJobDate
                               ? "@PJL JOB NAME=\"" + name + " " + dateText(now) + "\"\n"
                               : "@PJL JOB NAME=\"" + name + "\"\n";
    if (nameLine.size() > kMaxJobNameLine) nameLine.clear(); // cannot happen with a safe name
    h.add(nameLine);

    // Login that the Orvex server handed out for this job.
    if (job.orvLogin) {
        h.add(quotedSetLine("KLOGINID", job.orvLoginName, Oversize::Refuse, log));
        h.add(quotedSetLine("KLOGINPWD", job.orvLoginToken, Oversize::Refuse, log));
    }

    h.add(quotedSetLine("USERNAME", job.userName, Oversize::Cut, log));

    // COPIES makes the printer print uncollated copies, QTY collated sets.
    h.add(format(job.uncollated ? "@PJL SET COPIES=%d\n" : "@PJL SET QTY=%d\n", job.copies));
    h.add(job.lowResolution ? "@PJL SET RESOLUTION=300\n" : "@PJL SET RESOLUTION=600\n");
    h.add(job.monochrome ? "@PJL SET KCOLORMODE=MONO\n" : "@PJL SET KCOLORMODE=COLOR\n");
    h.add("@PJL SET PAPER=" + std::string(pjlPaperName(job.paperSize)) + "\n");

    std::string_view media = pjlMediaName(job.mediaType);
    if (media != "UNSPECIFIED") h.add("@PJL SET MEDIATYPE=" + std::string(media) + "\n");

    switch (job.duplex) {
    case 1:
        h.add("@PJL SET DUPLEX=ON\n@PJL SET BINDING=SHORTEDGE\n");
        break;
    case 2:
        h.add("@PJL SET DUPLEX=ON\n@PJL SET BINDING=LONGEDGE\n");
        break;
    default:
        h.add("@PJL SET DUPLEX=OFF\n");
        break;
    }

    // Without a tray of ours the printer picks the tray itself.
    std::string_view tray = pjlTrayName(job.inputTray);
    if (!tray.empty()) h.add("@PJL SET KINTRAYSELECT=" + std::string(tray) + "\n");

    switch (job.jobStorage) {
    case 2:
        h.add("@PJL SET HOLD=OFF\n");
        break;
    case 3:
        h.add("@PJL SET HOLD=ON\n");
        break;
    case 4:
        h.add("@PJL SET HOLD=PROOF\n");
        break;
    case 5: // stored in the printer, released with the access code
        h.add("@PJL SET HOLD=STORE\n@PJL SET HOLDTYPE=PRIVATE\n" +
              quotedSetLine("HOLDKEY", job.accessCode, Oversize::Refuse, log));
        break;
    case 6: // private print
        h.add("@PJL SET HOLD=ON\n@PJL SET HOLDTYPE=PRIVATE\n" +
              quotedSetLine("HOLDKEY", job.accessCode, Oversize::Refuse, log));
        break;
    case 7: // the user's custom box
        h.add("@PJL SET HOLD=KUSERBOX\n" +
              format("@PJL SET KUSERBOXID=\"%i\"\n", job.customBoxNumber) +
              quotedSetLine("KUSERBOXPASSWORD", job.customBoxPassword, Oversize::Refuse, log));
        break;
    default: // 0 printer default, 1 on: no hold line
        break;
    }

    // The user's own login, after the Orvex one when both are present.
    if (!job.loginName.empty()) {
        h.add(quotedSetLine("KLOGINID", job.loginName, Oversize::Refuse, log));
        h.add(quotedSetLine("KLOGINPWD", job.loginPassword, Oversize::Refuse, log));
    }

    if (job.jobManagerCode != "Default")
        h.add(plainSetLine("KJOBMANAGERCODE", job.jobManagerCode, log));

    if (isNoticeAddress(job.finishNotice))
        h.add(quotedSetLine("KJOBFINISHNOTICE", job.finishNotice, Oversize::Refuse, log));

    if (job.booklet == 1) h.add("@PJL SET KBOOKLET=LEFTBIND\n");
    if (job.booklet == 2) h.add("@PJL SET KBOOKLET=RIGHTBIND\n");

    // The fold settings travel as one unit.
    std::string fold;
    if (job.foldMode == 1) {
        fold = "@PJL SET KBOOKLETFOLD=TWO\n";
        if (job.bifoldSheets != 0) fold += format("@PJL SET KBOOKLETCOUNT=%i\n", job.bifoldSheets);
    } else if (job.foldMode == 2) {
        fold = "@PJL SET KBOOKLETFOLD=THREE-SCROLL\n";
        if (job.trifoldSheets != 0)
            fold += format("@PJL SET KBOOKLETCOUNT=%i\n", job.trifoldSheets);
        if (job.foldSides == 1) fold += "@PJL SET KBOOKLETTWOSIDES=INSIDE\n";
        if (job.foldSides == 2) fold += "@PJL SET KBOOKLETTWOSIDES=OUTSIDE\n";
        if (job.foldOrder == 2) fold += "@PJL SET KBOOKLETRIGHTANDLEFT=RIGHTUP\n";
        if (job.foldOrder == 1) fold += "@PJL SET KBOOKLETRIGHTANDLEFT=LEFTUP\n";
    }
    h.add(fold);

    // Punching before stapling.
    if (job.punch == 1)
        h.add(
            "@PJL SET FINISH=KPUNCH\n@PJL SET KPUNCHOPTION=SUB1\n@PJL SET KPUNCHPOSITION=FRONT\n");
    if (job.punch == 2)
        h.add(
            "@PJL SET FINISH=KPUNCH\n@PJL SET KPUNCHOPTION=MAIN\n@PJL SET KPUNCHPOSITION=FRONT\n");
    if (job.staple == 1) h.add("@PJL SET FINISH=STAPLE\n@PJL SET STAPLEOPTION=ONEOPPOSED\n");
    if (job.staple == 2) h.add("@PJL SET FINISH=STAPLE\n@PJL SET STAPLEOPTION=TWO\n");
    if (job.staple == 3) h.add("@PJL SET FINISH=STAPLE\n@PJL SET STAPLEOPTION=ONE\n");

    h.add(job.jobOffset == 1 ? "@PJL SET JOBOFFSET=ON\n" : "@PJL SET JOBOFFSET=OFF\n");

    // Pages per sheet: the printer imposes them itself.
    h.add(job.pagesPerSheet == 4   ? "@PJL SET LPARM:PDF KMULTIPAGE=FOUR\n"
          : job.pagesPerSheet == 2 ? "@PJL SET LPARM:PDF KMULTIPAGE=TWO\n"
                                   : "@PJL SET LPARM:PDF KMULTIPAGE=ONE\n");

    h.add("@PJL ENTER LANGUAGE=PDF\n");
    return h.take();
}

std::string headerForLog(std::string_view header) {
    static constexpr std::string_view kSecretLines[] = {
        "@PJL SET KLOGINPWD=\"", "@PJL SET HOLDKEY=\"", "@PJL SET KUSERBOXPASSWORD=\""};
    std::string out;
    out.reserve(header.size());
    size_t pos = 0;
    while (pos < header.size()) {
        size_t end = header.find('\n', pos);
        end = end == std::string_view::npos ? header.size() : end + 1;
        std::string_view line = header.substr(pos, end - pos);
        bool secret = false;
        for (std::string_view prefix : kSecretLines) {
            if (line.substr(0, prefix.size()) == prefix) {
                out += prefix;
                out += "****\"\n";
                secret = true;
                break;
            }
        }
        if (!secret) out += line;
        pos = end;
    }
    return out;
}

std::string orvexCommentLines(const PdfJobSettings& job) {
    // The server name comes from the user's settings: a ";" in it must not
    // end the command early and let the rest run as commands of its own.
    std::string server = pjlText(job.orvServer);
    std::replace(server.begin(), server.end(), ';', '?');
    std::string out = "\n";
    out += "%!R! CMNT Vorx=" + server + "; EXIT;\n";
    out += job.monochrome ? "%!R! CMNT Colormode=BLACK_AND_WHITE; EXIT;\n"
                          : "%!R! CMNT Colormode=FULL_COLOR; EXIT;\n";
    out +=
        job.duplex != 0 ? "%!R! CMNT Duplex=DUPLEX; EXIT;\n" : "%!R! CMNT Duplex=SIMPLEX; EXIT;\n";
    return out;
}

} // namespace vel
