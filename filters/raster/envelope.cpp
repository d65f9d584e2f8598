// PJL job header and trailer.
//
// Line ends are part of the format: most lines end in CR LF, a few in LF
// alone (marked LF). Every value written into a line goes through pjlText,
// so no title, user name or option can end a quoted string or start a new
// PJL or PCL command.
#include "credential.h"
#include "pjltext.h"
#include "rasterjob.h"

#include <ctime>

namespace vel {

namespace {

constexpr std::string_view kUel = "\x1b%-12345X"; // Universal Exit Language

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xc0) == 0x80;
}

// Bytes of the UTF-8 sequence that lead starts (1 for anything else).
size_t sequenceLength(char lead) {
    const unsigned char b = static_cast<unsigned char>(lead);
    if ((b & 0xe0) == 0xc0) return 2;
    if ((b & 0xf0) == 0xe0) return 3;
    if ((b & 0xf8) == 0xf0) return 4;
    return 1;
}

void line(RasterJob& job, const char* fmt, std::string_view value) {
    job.out.write(format(fmt, pjlText(value).c_str()));
}

// "yymmdd HHMMSS", local time.
std::string dateText() {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%y%m%d %H%M%S", &local);
    return text;
}

// Rows 6 and 7: a stored credential of the per-user option file. One that
// cannot be decoded leaves its line out.
void storedLogin(RasterJob& job, const char* key, const char* fmt) {
    auto stored = userOptionValue(job.userFile, key);
    if (!stored) return;
    auto text = decodeCredential(*stored, stored->size() / 2);
    if (!text) {
        job.log(format("DEBUG: %s cannot be decoded; no login line for it\n", key));
        return;
    }
    line(job, fmt, *text);
}

void duplexLines(RasterJob& job) {
    const char* binding = nullptr;
    if (job.sfpDevice && job.bookletJob) {
        binding = "SHORTEDGE";
    } else {
        const char* duplex = job.option("Duplex");
        std::string_view mode = duplex ? duplex : "None";
        if (mode != "None") binding = mode == "DuplexNoTumble" ? "LONGEDGE" : "SHORTEDGE";
    }
    job.duplexOn = binding != nullptr;
    if (job.duplexOn) {
        job.out.write("@PJL SET DUPLEX=ON\r\n");
        job.out.write(format("@PJL SET BINDING=%s\r\n", binding));
    } else {
        job.out.write("@PJL SET DUPLEX=OFF\r\n");
    }
}

// Row 18: logins that arrive DES-encoded in the job options.
void jobOptionLogins(RasterJob& job) {
    const char* id = job.option("VmUserLoginIDValue");
    if (!id) return;
    if (*id)
        if (auto text = decodeJobOptionCredential(id))
            line(job, "@PJL SET KLOGINID=\"%s\"\r\n", *text);
    const char* pass = job.option("VmUserLoginPasswordValue");
    if (!pass) {
        job.out.write("@PJL SET KLOGINPWD=\"\"\r\n");
    } else if (*pass) {
        if (auto text = decodeJobOptionCredential(pass))
            line(job, "@PJL SET KLOGINPWD=\"%s\"\r\n", *text);
    }
}

} // namespace

std::string jobNameSource(const RasterJob& job) {
    std::string raw = rawOptionValue(job, "JobName", kRawNameCapacity);
    if (!raw.empty() && raw != "off") return raw;
    if (auto custom = userOptionValue(job.userFile, "CustomJobName")) return *custom;
    return job.title;
}

std::string cutJobName(std::string_view source, std::string_view date) {
    size_t n = date.empty() ? kJobNameBytes : kJobNameBytes - date.size();
    if (n >= source.size() || !isContinuation(source[n])) --n;
    std::string name(source.substr(0, n - 1));
    // The test above keeps two-byte characters whole; a longer character that
    // the cut leaves unfinished is left out whole.
    size_t start = name.size();
    while (start > 0 && name.size() - start < 3 && isContinuation(name[start - 1]))
        --start;
    if (start > 0 && start - 1 + sequenceLength(name[start - 1]) > name.size())
        name.resize(start - 1);
    if (!date.empty()) name += " " + std::string(date);
    return name;
}

std::string jobAccountingCode(const RasterJob& job) {
    std::string raw = rawOptionValue(job, "VmManagment", kRawNameCapacity);
    if (!raw.empty()) {
        if (startsWith(raw, "MG")) return raw.substr(2);
        if (startsWith(raw, "Custom.")) return raw.substr(7);
        return raw;
    }
    auto stored = userOptionValue(job.userFile, "VmManagment");
    return stored ? stored->substr(0, stored->find(';')) : std::string();
}

void writeJobHeader(RasterJob& job, const cups_page_header2_t& first) {
    job.planeCount = planeCountFor(first);
    const char* booklet = job.option("VCBooklet");
    job.bookletJob =
        booklet && (std::string_view(booklet) == "Left" || std::string_view(booklet) == "Right");
    const char* jobDate = job.option("JobDate");
    const bool dated = jobDate && std::string_view(jobDate) == "true";
    job.jobName = pjlText(cutJobName(jobNameSource(job), dated ? dateText() : ""));

    job.out.write("!R!SEM6;EXIT;");
    job.out.write(kUel);
    job.out.write("@PJL COMMENT Version 1.0\r\n");
    if (job.orvex.orvEnabled && job.policy) {
        line(job, "@PJL SET KLOGINID=\"%s\"\n", job.orvex.userName);       // LF
        line(job, "@PJL SET KLOGINPWD=\"%s\"\n", job.policy->driverToken); // LF
    }
    line(job, "@PJL JOB NAME=\"%s\"\n", job.jobName); // LF
    storedLogin(job, "UserLoginName", "@PJL SET KLOGINID=\"%s\"\r\n");
    storedLogin(job, "UserLoginPass", "@PJL SET KLOGINPWD=\"%s\"\r\n");
    std::string code = jobAccountingCode(job);
    if (!code.empty()) line(job, "@PJL SET KJOBMANAGERCODE=%s\r\n", code);
    const char* eco = job.option("VCEcoprint");
    line(job, "@PJL SET ECOPRINT=%s\r\n", eco ? eco : "OFF");

    writeColorAdjustments(job);

    job.out.write("@PJL SET BITSPERPIXEL=1\r\n");
    if (!job.monoDevice) {
        job.out.write(job.planeCount == 1 ? "@PJL SET KCOLORMODE=MONO\r\n"
                                          : "@PJL SET KCOLORMODE=COLOR\r\n");
        const char* product = job.option("Colorreprod");
        line(job, "@PJL SET KCOLORPRODUCT=%s\r\n", product ? product : "PRNSET");
    }
    duplexLines(job);
    if (const char* edge = job.option("VCFeedingEdge")) {
        std::string_view e = edge;
        if (e == "LongEdge") job.out.write("@PJL SET KFEEDEDGE=LONGEDGE\r\n");
        if (e == "ShortEdge") job.out.write("@PJL SET KFEEDEDGE=SHORTEDGE\r\n");
    }
    const char* coll = job.option("Coll");
    job.printerCollates =
        coll && (std::string_view(coll) == "True" || std::string_view(coll) == "true");
    if (job.printerCollates) // two LF lines
        job.out.write(format("@PJL SET QTY=%d\n@PJL SET HOLD=OFF\n", first.NumCopies));
    const char* mcode = job.option("ManagementCodeValue");
    if (mcode && std::string_view(mcode) != "Default")
        line(job, "@PJL SET KJOBMANAGERCODE=%s\r\n", mcode);
    jobOptionLogins(job);
    const char* storage = job.option("VCCollate1");
    const char* access = job.option("AccessCodeValue");
    if (storage && access && std::string_view(storage).find("PrivatePrint") != std::string::npos)
        job.out.write(format("@PJL SET HOLD=ON\r\n@PJL SET HOLDTYPE=PRIVATE\r\n"
                             "@PJL SET HOLDKEY=\"%s\"\r\n",
                             pjlText(access).c_str()));
    line(job, "@PJL SET USERNAME=\"%s\"\n", job.user); // LF
    job.out.write(format("@PJL SET RESOLUTION=%u\r\n", first.HWResolution[0]));
    job.out.write("@PJL ENTER LANGUAGE=PCL\r\n");
    job.out.write("\x1b"
                  "E"); // PCL reset
}

void writeJobTrailer(RasterJob& job) {
    if (job.finishingWritten && job.sfpDevice) job.out.write("!R!JOBT;EXIT;");
    job.out.write(kUel);
    line(job, "@PJL EOJ NAME=\"%s\"\r\n", job.jobName);
    job.out.write("@PJL RDYMSG DISPLAY=\"\"\r\n");
    job.out.write(kUel);
}

} // namespace vel
