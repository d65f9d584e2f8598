#include "optionstore.h"

#include "kppdmodel.h"
#include "peruser.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The PPD API is what the queue's options come from; its deprecation notes concern print clients.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

QString g_userDirectory;
bool g_userDirectoryKnown = false;
QString g_settingsSource;

QString computeUserDirectory() {
    QByteArray user = qgetenv("USER");
    if (!vel::isSafeName(user.toStdString())) {
        // Without a usable USER (cron, su without -l) the account name still
        // names the right directory.
        struct passwd* pw = getpwuid(geteuid());
        user = pw ? QByteArray(pw->pw_name) : QByteArray();
        if (!vel::isSafeName(user.toStdString())) return QString();
    }
    return QString::fromStdString(vel::dataDirectory()) + QLatin1Char('/') +
           QString::fromLocal8Bit(user) + QLatin1Char('/');
}

QMap<QString, QString> currentDefaults() {
    return currentModel ? currentModel->defaults() : QMap<QString, QString>();
}

// A line end inside a value would start a new line in the file.
QString oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Visits the lines of the current settings source until visit returns false.
template <typename Visit> void readSettingsSource(Visit visit) {
    const QByteArray path = QFile::encodeName(currentSettingsSource());
    if (path.isEmpty()) return;
    // Non-blocking open and a regular-file check: a FIFO or device placed under the file's name
    // must not stall the window.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    QString line;
    while (in.readLineInto(&line)) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        if (!visit(line.left(eq), line.mid(eq + 1))) return;
    }
}

// cupsParseOptions splits at blanks and removes quotes and backslashes, so a
// value must be escaped to reach lpoptions whole.
QString escapeOptionValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('\'') ||
            c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

QString userDirectoryPath() {
    if (!g_userDirectoryKnown) {
        g_userDirectory = computeUserDirectory();
        g_userDirectoryKnown = true;
    }
    return g_userDirectory;
}

void setUserDirectoryPath(const QString& path) {
    g_userDirectory = path;
    g_userDirectoryKnown = true;
}

QString currentSettingsSource() {
    return g_settingsSource;
}

void setCurrentSettingsSource(const QString& path) {
    g_settingsSource = path;
}

QString optionFilePath(const QString& queue) {
    const QString dir = userDirectoryPath();
    if (dir.isEmpty() || !vel::isSafeName(queue.toStdString())) return QString();
    return dir + queue + QLatin1String(".cfg");
}

bool ensureUserDirectory() {
    QByteArray path = QFile::encodeName(userDirectoryPath());
    if (path.isEmpty()) return false;
    if (path.size() > 1 && path.endsWith('/')) path.chop(1);
    for (int i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path.at(i) != '/') continue;
        const QByteArray prefix = path.left(i);
        if (::mkdir(prefix.constData(), 0775) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writeOptionFile(const QString& path, const SettingsMap& map) {
    ensureUserDirectory();
    if (path.isEmpty()) return false;
    const QMap<QString, QString> defaults = currentDefaults();

    QByteArray text;
    for (const QString& key : map.uniqueKeys()) {
        if (key.isEmpty() || key.contains(QLatin1Char('=')) || key != oneLine(key)) continue;
        // QMultiMap hands out the latest value first; keep the order of insertion.
        QStringList values = map.values(key);
        std::reverse(values.begin(), values.end());
        const QString def = defaults.value(key);
        for (const QString& value : values) {
            QString line = key + QLatin1Char('=') + oneLine(value);
            if (!def.isEmpty()) line += QLatin1Char(';') + def;
            text += line.toUtf8() + '\n';
        }
    }

    // Written beside the old file and renamed over it, so a filter that opens
    // the file meanwhile, or a crash or full disk, never meets a missing or
    // half-written file.
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    // The filters run as another user and must be able to read it.
    bool ok = ::fchmod(fd, 0664) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.constData(), target.constData()) == 0;
    if (!ok) ::unlink(temp.constData());
    return ok;
}

bool optionFileExists(const QString& queue) {
    const QString path = optionFilePath(queue);
    return !path.isEmpty() && QFileInfo::exists(path);
}

QString resolveStoredValue(const QString& key, const QString& stored,
                           const QMap<QString, QString>& defaults) {
    if (!defaults.contains(key)) return stored.isEmpty() ? QString() : stored;
    const int semi = stored.indexOf(QLatin1Char(';'));
    const QString value = semi < 0 ? stored : stored.left(semi);
    const QString savedDefault = semi < 0 ? QString() : stored.mid(semi + 1);
    const QString current = defaults.value(key);
    if (!savedDefault.isEmpty() && !current.isEmpty() && savedDefault != current) return current;
    return value.isEmpty() ? QString() : value;
}

QString savedValue(const QString& key) {
    QString result;
    bool found = false;
    readSettingsSource([&](const QString& lineKey, const QString& stored) {
        if (lineKey != key) return true;
        found = true;
        result = stored;
        return false;
    });
    if (!found) return QString();
    return resolveStoredValue(key, result, currentDefaults());
}

QStringList savedValues(const QString& key) {
    QStringList values;
    readSettingsSource([&](const QString& lineKey, const QString& stored) {
        if (lineKey == key) values << stored;
        return true;
    });
    return values;
}

bool queueExists(const QString& queue) {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    const bool found = cupsGetDest(queue.toUtf8().constData(), nullptr, count, dests) != nullptr;
    cupsFreeDests(count, dests);
    return found;
}

QStringList lpoptionsArguments(const QString& queue, ppd_file_t* ppd, const SettingsMap& map) {
    QStringList args{QStringLiteral("-p"), queue};
    if (!ppd) return args;
    for (int g = 0; g < ppd->num_groups; ++g) {
        const ppd_group_t& group = ppd->groups[g];
        for (int o = 0; o < group.num_options; ++o) {
            const QString keyword = QString::fromLatin1(group.options[o].keyword);
            const QString value = map.value(keyword);
            if (value.isEmpty()) continue;
            args << QStringLiteral("-o") << keyword + QLatin1Char('=') + escapeOptionValue(value);
        }
    }
    return args;
}

bool setLpoptionsDefaults(const QString& queue, const SettingsMap& map, int timeoutMs) {
    const char* ppdName = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData());
    const QByteArray ppdPath = ppdName ? QByteArray(ppdName) : QByteArray();
    ppd_file_t* ppd = ppdPath.isEmpty() ? nullptr : ppdOpenFile(ppdPath.constData());
    const QStringList args = lpoptionsArguments(queue, ppd, map);
    if (ppd) ppdClose(ppd);
    if (!ppdPath.isEmpty()) ::unlink(ppdPath.constData());
    // Without its PPD the queue's options are unknown: nothing to set.
    if (!ppd) return false;

    QProcess lpoptions;
    lpoptions.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    lpoptions.setStandardOutputFile(QProcess::nullDevice());
    lpoptions.start(QStringLiteral("lpoptions"), args);
    const bool finished = lpoptions.waitForFinished(timeoutMs);
    if (!finished && lpoptions.state() != QProcess::NotRunning) {
        lpoptions.kill();
        lpoptions.waitForFinished(1000);
    }
    return finished && lpoptions.exitStatus() == QProcess::NormalExit && lpoptions.exitCode() == 0;
}
