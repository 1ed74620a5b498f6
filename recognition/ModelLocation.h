#pragma once

#include <QString>
#include <QStringList>

// Where the Japanese handwriting model may be, in the order it is looked for:
// the file named by the environment variable VELMARIK_HANDWRITING_MODEL (so a
// learner or a test can point at another model), a copy beside the program
// (how platforms without a system package ship it), then the system's data
// folders, where Debian's tegaki-zinnia-japanese puts it.
QStringList HandwritingModelCandidates();

// The model the environment asks for, cleaned; empty when it asks for none.
QString ChosenHandwritingModel();

// Why the file at path cannot be a model, for the learner: missing, a
// folder, not a plain file (a pipe would block whoever opens it), empty or
// unreadable. Empty when it may be one; only reading it tells.
QString ModelFileProblem(const QString& path);

// The first candidate that may be a model (see ModelFileProblem); empty
// when none may.
QString FindHandwritingModel(const QStringList& candidates = HandwritingModelCandidates());
