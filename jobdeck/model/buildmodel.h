#pragma once

#include <QString>
#include <cups/ppd.h>

class kPpdModel;

// Fills an empty model from an open PPD: options, defaults, switches and constraints.
void buildModel(ppd_file_t* ppd, kPpdModel* model);

// Keyword of the switch that stands for a fold mode, "Stpl" or "Pnch"; other names unchanged.
QString syntheticKeyFor(const QString& name);
