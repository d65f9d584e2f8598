#pragma once

#include <QString>

// Resource path of the translation catalog for a locale name such as "de_DE":
// the language before the first "_" picks the catalog, English for any other.
QString orvuiCatalog(const QString& localeName);
