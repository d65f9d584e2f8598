// Command-line access to the option store for the integration tests:
//   optionstore_probe write QUEUE KEY=VALUE...   option file + lpoptions defaults
//                      (OPTIONSTORE_PROBE_TIMEOUT_MS bounds the wait for lpoptions)
//   optionstore_probe rewrite QUEUE COUNT KEY=VALUE...   the option file COUNT times
//   optionstore_probe get QUEUE KEY...           JSON {"value": {..}, "values": {..}}
//   optionstore_probe exists QUEUE               "true" or "false"
// The current model is built from the queue's PPD as the printer page does.
#include "buildmodel.h"
#include "kppdmodel.h"
#include "optionstore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

std::unique_ptr<kPpdModel> modelOf(const QString& queue) {
    auto model = std::make_unique<kPpdModel>();
    const char* name = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData());
    if (!name) return model;
    const QByteArray path(name);
    if (ppd_file_t* ppd = ppdOpenFile(path.constData())) {
        buildModel(ppd, model.get());
        ppdClose(ppd);
    }
    unlink(path.constData());
    model->setPrinterName(queue);
    return model;
}

SettingsMap mapOf(const QStringList& pairs) {
    SettingsMap map;
    for (const QString& pair : pairs) {
        const int eq = pair.indexOf(QLatin1Char('='));
        map.insert(pair.left(eq), pair.mid(eq + 1));
    }
    return map;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: optionstore_probe write|rewrite|get|exists QUEUE ...\n");
        return 2;
    }
    const QString command = args.takeFirst();
    const QString queue = args.takeFirst();

    if (command == QLatin1String("exists")) {
        std::puts(optionFileExists(queue) ? "true" : "false");
        return 0;
    }

    std::unique_ptr<kPpdModel> model = modelOf(queue);
    currentModel = model.get();
    if (command == QLatin1String("write")) {
        const SettingsMap map = mapOf(args);
        if (!writeOptionFile(optionFilePath(queue), map)) return 3;
        const int timeout = qEnvironmentVariableIntValue("OPTIONSTORE_PROBE_TIMEOUT_MS");
        return setLpoptionsDefaults(queue, map, timeout > 0 ? timeout : 30000) ? 0 : 4;
    }
    if (command == QLatin1String("rewrite") && !args.isEmpty()) {
        const int count = args.takeFirst().toInt();
        const SettingsMap map = mapOf(args);
        for (int i = 0; i < count; ++i)
            if (!writeOptionFile(optionFilePath(queue), map)) return 3;
        return 0;
    }
    if (command == QLatin1String("get")) {
        setCurrentSettingsSource(optionFilePath(queue));
        QJsonObject values, lists;
        for (const QString& key : args) {
            const QString value = savedValue(key);
            values.insert(key, value.isNull() ? QJsonValue() : QJsonValue(value));
            lists.insert(key, QJsonArray::fromStringList(savedValues(key)));
        }
        const QJsonObject result{{"value", values}, {"values", lists}};
        std::puts(QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
        return 0;
    }
    return 2;
}
