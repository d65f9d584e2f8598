// The job-settings record: PPD defaults, CUPS options and per-user overrides.
#include "pdfjob.h"

#include "credential.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace vel {

namespace {

// Option names and values of the CUPS option string are cut to this length.
constexpr size_t kMaxOptionToken = 63;

// Cuts text to at most max bytes without splitting a UTF-8 character.
std::string cutText(std::string_view text, size_t max) {
    if (text.size() <= max) return std::string(text);
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return std::string(text.substr(0, n));
}

std::string settingText(std::string_view text) {
    return cutText(text, kMaxSettingText);
}

// Leading decimal number, as atoi reads it, clamped to 32 bits.
int32_t decimal(std::string_view text) {
    std::string s(text);
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Sets field to the index of value in choices (plus first); unknown values
// leave it.
void setCode(int32_t& field, std::string_view value, std::initializer_list<const char*> choices,
             int32_t first = 0) {
    int32_t code = first;
    for (const char* c : choices) {
        if (value == c) {
            field = code;
            return;
        }
        ++code;
    }
}

struct NamedCode {
    const char* value;
    int32_t code;
    const char* pjlName;
};

// PageSize value, code, PJL paper name. Code 22 is not assigned.
constexpr NamedCode kPaperSizes[] = {
    {"P12X18", 1, "P12X18"},
    {"P16K", 2, "ROC16K"},
    {"OficioMX", 3, "FF8.5X13.5"},
    {"P8K", 4, "ROC8K"},
    {"A3", 5, "A3"},
    {"A4", 6, "A4"},
    {"A5", 7, "A5"},
    {"A6", 8, "A6"},
    {"B4", 9, "B4"},
    {"B5", 10, "B5"},
    {"ISOB5", 11, "ISOB5"},
    {"B6", 12, "B6"},
    {"EnvC4", 13, "C4"},
    {"Env10", 14, "COM10"},
    {"EnvPersonal", 15, "COM6"},
    {"Env9", 16, "COM9"},
    {"EnvC5", 17, "C5"},
    {"EnvDL", 18, "DL"},
    {"EnvMonarch", 19, "MONARCH"},
    {"Executive", 20, "EXECUTIVE"},
    {"Folio", 21, "FOLIO"},
    {"Tabloid", 23, "LEDGER"},
    {"Legal", 24, "LEGAL"},
    {"Letter", 25, "LETTER"},
    {"OficioII", 26, "OFICIOII"},
    {"Statement", 27, "STATEMENT"},
};

// MediaType value, code, PJL media name; "PrnDef" (0) writes no media line.
constexpr NamedCode kMediaTypes[] = {
    {"PrnDef", 0, "UNSPECIFIED"},
    {"Plain", 1, "PLAIN"},
    {"Transparency", 2, "TRANSPARENCY"},
    {"Labels", 3, "LABELS"},
    {"Letterhead", 4, "LETTERHEAD"},
    {"Bond", 5, "BOND"},
    {"Color", 6, "COLOR"},
    {"Preprinted", 7, "PREPRINTED"},
    {"Prepunched", 8, "PREPUNCHED"},
    {"Recycled", 9, "RECYCLED"},
    {"Cardstock", 10, "CARDSTOCK"},
    {"Vellum", 11, "VELLUM"},
    {"Envelope", 12, "ENVELOPE"},
    {"Rough", 13, "ROUGH"},
    {"Thick", 14, "THICK"},
    {"CoatedPaper", 15, "COATED"},
    {"Highqlty", 16, "FINE"},
    {"User1", 17, "CUSTOM1"},
    {"User2", 18, "CUSTOM2"},
    {"User3", 19, "CUSTOM3"},
    {"User4", 20, "CUSTOM4"},
    {"User5", 21, "CUSTOM5"},
    {"User6", 22, "CUSTOM6"},
    {"User7", 23, "CUSTOM7"},
    {"User8", 24, "CUSTOM8"},
    {"Auto", 25, "AUTO"},
};

constexpr const char* kTrayNames[] = {"INTRAY2", "INTRAY3", "INTRAY5", "INTRAY6", "INTRAY1"};

template <size_t N>
void setNamedCode(int32_t& field, std::string_view value, const NamedCode (&table)[N]) {
    for (const NamedCode& row : table) {
        if (value == row.value) {
            field = row.code;
            return;
        }
    }
}

template <size_t N>
const char* nameOfCode(int32_t code, const NamedCode (&table)[N], const char* none) {
    for (const NamedCode& row : table)
        if (row.code == code) return row.pjlName;
    return none;
}

std::string decoded(const std::optional<std::string>& stored) {
    if (!stored) return {};
    auto text = decodeCredential(*stored, stored->size() / 2);
    return text ? settingText(*text) : std::string();
}

} // namespace

std::string_view pjlPaperName(int32_t paperSize) {
    return nameOfCode(paperSize, kPaperSizes, "");
}

std::string_view pjlMediaName(int32_t mediaType) {
    return nameOfCode(mediaType, kMediaTypes, "UNSPECIFIED");
}

std::string_view pjlTrayName(int32_t inputTray) {
    if (inputTray < 1 || inputTray > 5) return {};
    return kTrayNames[inputTray - 1];
}

bool canPrintTwoSided(const PdfJobSettings& job) {
    switch (job.mediaType) {
    case 2:  // transparency
    case 3:  // labels
    case 10: // cardstock
    case 11: // vellum
    case 12: // envelope
    case 15: // coated
        return false;
    default:
        break;
    }
    // A6 and ISO B5 to the envelopes.
    return !(job.paperSize == 8 || (job.paperSize >= 11 && job.paperSize <= 19));
}

void applyJobOption(PdfJobSettings& job, std::string_view name, std::string_view value) {
    if (name == "Resolution") {
        job.lowResolution = value == "300dpi";
    } else if (name == "Coll") {
        if (value == "False") job.uncollated = true;
        if (value == "True") job.uncollated = false;
    } else if (name == "ColorModel") {
        if (value == "CMYK") job.monochrome = false;
        if (value == "Gray") job.monochrome = true;
    } else if (name == "InputSlot") {
        setCode(job.inputTray, value, {"QX410A", "QX410B", "QX410E", "QX410F", "MF1"}, 1);
    } else if (name == "Stpl") {
        setCode(job.staple, value, {"None", "Front", "Center", "Rear"});
    } else if (name == "Pnch") {
        if (value == "None") job.punch = 0;
        if (value == "2HolePDF" || value == "2HolePDFEUR") job.punch = 1;
        if (value == "3HolePDF") job.punch = 2;
    } else if (name == "VCBooklet") {
        setCode(job.booklet, value, {"None", "Left", "Right"});
    } else if (name == "FldA") {
        setCode(job.foldMode, value, {"None", "Bifold", "Trifold"});
    } else if (name == "FldB") {
        setCode(job.foldSides, value, {"None", "FPInside", "FPOutside"});
    } else if (name == "FldC") {
        setCode(job.foldOrder, value, {"Off", "RIGHTL", "LEFTR"});
    } else if (name == "FldD") {
        setCode(job.trifoldSheets, value, {"None", "FLD1", "FLD2", "FLD3", "FLD4", "FLD5"});
    } else if (name == "BFpS") {
        setCode(job.bifoldSheets, value, {"None", "FLD1", "FLD2", "FLD3", "FLD4", "FLD5"});
    } else if (name == "Sep") {
        setCode(job.jobOffset, value, {"None", "Jog"});
    } else if (name == "VCCollate1") {
        setCode(job.jobStorage, value,
                {"PrnDef", "On", "None", "QuickCopy", "ProofHold", "JobStorage"});
    } else if (name == "JobName") {
        if (value == "off") {
            job.useCustomJobName = false;
        } else {
            if (startsWith(value, "Custom.")) value.remove_prefix(7);
            job.customJobName = settingText(value);
            job.useCustomJobName = true;
        }
    } else if (name == "JobDate") {
        if (value == "false" || value == "False") job.printJobDate = false;
        if (value == "true" || value == "True") job.printJobDate = true;
    } else if (name == "Duplex") {
        setCode(job.duplex, value, {"None", "DuplexTumble", "DuplexNoTumble"});
    } else if (name == "VmManagment") {
        if (startsWith(value, "MG"))
            value.remove_prefix(2);
        else if (startsWith(value, "Custom."))
            value.remove_prefix(7);
        job.jobManagerCode = settingText(value);
    } else if (name == "number-up") {
        job.pagesPerSheet = value == "2" ? 2 : value == "4" ? 4 : 1;
    } else if (name == "PageSize") {
        setNamedCode(job.paperSize, value, kPaperSizes);
    } else if (name == "MediaType") {
        setNamedCode(job.mediaType, value, kMediaTypes);
    }
}

PdfJobSettings createJobSettings(std::string_view title, std::string_view userName,
                                 std::string_view copies, std::string_view optionString,
                                 std::string_view queueName, ppd_file_t* ppd) {
    PdfJobSettings job;

    // The defaults as written in the PPD, top-level groups only.
    if (ppd) {
        for (int g = 0; g < ppd->num_groups; ++g) {
            const ppd_group_t& group = ppd->groups[g];
            for (int o = 0; o < group.num_options; ++o)
                applyJobOption(job, group.options[o].keyword, group.options[o].defchoice);
        }
    }

    job.title = settingText(title);
    job.userName = settingText(userName);
    job.ppdModelName = ppd && ppd->modelname ? settingText(ppd->modelname) : std::string();
    job.copies = decimal(copies);

    // Space-separated name=value tokens; a bare word is a boolean, "no" in
    // front of it meaning false. CUPS quoting is not interpreted.
    size_t pos = 0;
    while (pos <= optionString.size()) {
        size_t end = optionString.find(' ', pos);
        if (end == std::string_view::npos) end = optionString.size();
        std::string_view token = optionString.substr(pos, end - pos);
        pos = end + 1;
        if (token.empty()) continue;
        size_t eq = token.find('=');
        if (eq != std::string_view::npos) {
            applyJobOption(job, cutText(token.substr(0, eq), kMaxOptionToken),
                           cutText(token.substr(eq + 1), kMaxOptionToken));
        } else if (startsWith(token, "no")) {
            applyJobOption(job, cutText(token.substr(2), kMaxOptionToken), "False");
        } else {
            applyJobOption(job, cutText(token, kMaxOptionToken), "True");
        }
    }

    // The per-user option file comes last and wins.
    UserOptionFile file{std::string(userName), std::string(queueName), nullLog()};
    if (auto v = userOptionValue(file, "VCCollate1")) {
        std::string_view first = std::string_view(*v).substr(0, v->find(';'));
        if (first == "Custom1") job.jobStorage = 6;
        if (first == "Custom2") job.jobStorage = 7;
    }
    if (auto v = userOptionValue(file, "AccessCode")) job.accessCode = decoded(v);
    if (auto v = userOptionValue(file, "CustomBox")) job.customBoxNumber = decimal(*v);
    job.customBoxPassword = decoded(userOptionValue(file, "CustomBoxPassword"));
    job.loginName = decoded(userOptionValue(file, "UserLoginName"));
    job.loginPassword = decoded(userOptionValue(file, "UserLoginPass"));
    if (auto v = userOptionValue(file, "CustomAccountID")) job.jobManagerCode = settingText(*v);
    if (auto v = userOptionValue(file, "EMailNotification")) job.finishNotice = settingText(*v);
    if (auto v = userOptionValue(file, "CustomJobName")) {
        job.customJobName = settingText(*v);
        job.useCustomJobName = true;
    }
    return job;
}

} // namespace vel
