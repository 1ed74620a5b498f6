#pragma once

#include <QString>
#include <QStringList>

// Where the Japanese handwriting model may be, in the order it is looked for:
// the file named by the environment variable VELMARIK_HANDWRITING_MODEL (so a
// learner or a test can point at another model), a copy beside the program
// (how platforms without a system package ship it), then the system's data
// folders, where Debian's tegaki-zinnia-japanese puts it.
QStringList HandwritingModelCandidates();

// The first candidate that is a readable, non-empty file; empty when none is.
QString FindHandwritingModel(const QStringList& candidates = HandwritingModelCandidates());
