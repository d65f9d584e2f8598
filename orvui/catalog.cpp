#include "catalog.h"

QString orvuiCatalog(const QString& localeName) {
    static const struct {
        const char* language;
        const char* path;
    } catalogs[] = {
        {"en", ":/strings/english"}, {"fr", ":/strings/french"},     {"de", ":/strings/german"},
        {"it", ":/strings/italian"}, {"pt", ":/strings/portuguese"}, {"es", ":/strings/spanish"},
    };
    const QString language = localeName.section(QLatin1Char('_'), 0, 0);
    for (const auto& c : catalogs)
        if (language == QLatin1String(c.language)) return QLatin1String(c.path);
    return QStringLiteral(":/strings/english");
}
