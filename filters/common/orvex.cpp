#include "orvex.h"

#include "notice.h"

#include <cjson/cJSON.h>
#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <new>

namespace vel {

namespace {

constexpr size_t kMaxRequestText = 1023; // URL and body
constexpr size_t kPolicyTextBytes = 256;

const cJSON* stringMember(const cJSON* object, const char* name) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(item) && item->valuestring ? item : nullptr;
}

bool flagMember(const cJSON* object, const char* name) {
    const cJSON* item = stringMember(object, name);
    if (!item) return false;
    std::string_view v = item->valuestring;
    return v == "ON" || v == "PV.On";
}

// Texts end up inside quoted PJL lines: a line break from the server must not
// start a command of its own, so a text ends at its first control byte.
std::string textMember(const cJSON* object, const char* name) {
    const cJSON* item = stringMember(object, name);
    if (!item) return {};
    std::string v = item->valuestring;
    for (size_t i = 0; i < v.size(); ++i)
        if (static_cast<unsigned char>(v[i]) < 0x20 || v[i] == 0x7f) {
            v.resize(i);
            break;
        }
    if (v.size() > kPolicyTextBytes) v.resize(kPolicyTextBytes);
    return v;
}

long integerMember(const cJSON* object, const char* name) {
    const cJSON* item = stringMember(object, name);
    if (!item) return -1;
    return std::strtol(item->valuestring, nullptr, 10);
}

int actionMember(const cJSON* object, const char* name) {
    const cJSON* item = stringMember(object, name);
    if (!item) return 0;
    std::string_view v = item->valuestring;
    if (v == "print" || v == "printandcolor") return 1;
    if (v == "color") return 2;
    return 0;
}

struct ReplySink {
    std::string data;
    size_t cap = 0;
    bool tooLarge = false;
};

size_t collectReply(char* ptr, size_t size, size_t count, void* userdata) {
    auto* sink = static_cast<ReplySink*>(userdata);
    size_t n = size * count;
    if (n > sink->cap - sink->data.size()) {
        sink->tooLarge = true;
        return 0; // aborts the transfer
    }
    try {
        sink->data.append(ptr, n);
    } catch (const std::bad_alloc&) {
        sink->tooLarge = true;
        return 0;
    }
    return n;
}

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_ALL); }
    ~CurlGlobal() { curl_global_cleanup(); }
};

struct CurlHandle {
    CURL* h = curl_easy_init();
    curl_slist* headers = nullptr;
    ~CurlHandle() {
        if (headers) curl_slist_free_all(headers);
        if (h) curl_easy_cleanup(h);
    }
};

} // namespace

std::string loginUrl(const OrvexSettings& settings) {
    return "https://" + settings.server + ":" + settings.port +
           "/ws/user_manager/MobileAccess/MobileAccessRestService/loginPost";
}

std::string formEncode(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7f || c == '%' || c == '&' || c == '+' || c == '=') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string loginBody(const OrvexSettings& settings) {
    return "userID=" + formEncode(settings.userName) + "&userPWD=" + formEncode(settings.password);
}

std::optional<OrvexPolicy> parseLoginReply(std::string_view body) {
    size_t open = body.find('>');
    if (open == std::string_view::npos) return std::nullopt;
    size_t close = body.find("</string>", open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view json = body.substr(open + 1, close - open - 1);

    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(
        cJSON_ParseWithLength(json.data(), json.size()), cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) return std::nullopt;
    const cJSON* p = cJSON_GetObjectItemCaseSensitive(root.get(), "Policies");
    if (!cJSON_IsObject(p)) return std::nullopt;

    OrvexPolicy policy;
    policy.versionNumber = textMember(root.get(), "VersionNumber");
    policy.driverUser = textMember(p, "DriverAccess.Username");
    policy.driverToken = textMember(p, "DriverAccess.PasswordToken");
    policy.fullColorRestricted = flagMember(p, "JE.FullColorPrint");
    policy.printRestricted = flagMember(p, "JE.MonoPrint");
    policy.scanRestricted = flagMember(p, "JE.Scan");
    policy.ecoPrintRestricted = flagMember(p, "DR.EcoPrintRestriction");
    policy.duplexRestricted = flagMember(p, "DR.DuplexRestriction");
    policy.creditAccounting = flagMember(p, "Credit_accounting");
    if (policy.creditAccounting) {
        policy.creditRemaining = integerMember(p, "Credit_remaining");
        policy.creditMinimum = integerMember(p, "Credit_minimum");
    }
    policy.quotaAccounting = flagMember(p, "Quota_accounting");
    if (policy.quotaAccounting) {
        policy.totalPagesAction = actionMember(p, "Disable_Operation_TotalPages");
        policy.colorPagesAction = actionMember(p, "Disable_Operation_Color");
    }
    policy.userToken = textMember(p, "UserToken");
    return policy;
}

LoginResult performLogin(const OrvexSettings& settings, const LogFn& log,
                         const LoginLimits& limits) {
    LoginResult result;
    std::string url = loginUrl(settings);
    std::string body = loginBody(settings);
    if (url.size() > kMaxRequestText) {
        log("ERROR: Orvex server name too long\n");
        result.failure = LoginFailure::Connection;
        return result;
    }
    if (body.size() > kMaxRequestText) {
        log("ERROR: Orvex user name or password too long\n");
        result.failure = LoginFailure::BadReply;
        return result;
    }

    CurlGlobal global;
    CurlHandle curl;
    if (!curl.h) {
        result.failure = LoginFailure::NoHandle;
        return result;
    }
    ReplySink sink;
    sink.cap = limits.maxReplyBytes;
    char error[CURL_ERROR_SIZE] = "";
    curl.headers = curl_slist_append(curl.headers, "Accept: text/*");
    curl.headers = curl_slist_append(curl.headers, "charsets: utf-8");

    curl_easy_setopt(curl.h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl.h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl.h, CURLOPT_COPYPOSTFIELDS, body.c_str());
    curl_easy_setopt(curl.h, CURLOPT_HTTPHEADER, curl.headers);
    curl_easy_setopt(curl.h, CURLOPT_USERAGENT, "VMP");
    if (curl_easy_setopt(curl.h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_2_0) != CURLE_OK)
        curl_easy_setopt(curl.h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    // Sites run Orvex with their own certificates.
    curl_easy_setopt(curl.h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl.h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl.h, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    curl_easy_setopt(curl.h, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
    curl_easy_setopt(curl.h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.h, CURLOPT_WRITEFUNCTION, collectReply);
    curl_easy_setopt(curl.h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl.h, CURLOPT_ERRORBUFFER, error);

    CURLcode rc = curl_easy_perform(curl.h);
    if (sink.tooLarge) {
        log(format("ERROR: Orvex reply larger than %zu bytes\n", limits.maxReplyBytes));
        result.failure = LoginFailure::BadReply;
        return result;
    }
    if (rc != CURLE_OK) {
        log(format("curl_easy_perform() failed: %s\n", *error ? error : curl_easy_strerror(rc)));
        result.failure = LoginFailure::Connection;
        return result;
    }
    result.policy = parseLoginReply(sink.data);
    if (!result.policy) result.failure = LoginFailure::BadReply;
    return result;
}

LoginResult orvexLogin(const OrvexSettings& settings, const LogFn& log, const LoginLimits& limits) {
    LoginResult result = performLogin(settings, log, limits);
    const char* reason = nullptr;
    if (result.failure == LoginFailure::Connection) reason = "Connection";
    if (result.failure == LoginFailure::BadReply) reason = "Login";
    if (reason) result.noticeFailed = !sendNotice(noticeText(reason, settings.jobUser), log);
    return result;
}

} // namespace vel
