#pragma once

#include "recognition/InkStroke.h"

#include <QString>
#include <QStringList>
#include <memory>

// The handwriting recogniser behind the writing check. It hides the
// recognition library entirely: the rest of the program hands it ink and gets
// characters back. Classification is const and may run on several threads
// at once (the library only reads the model and its own locals while it
// classifies); opening and closing may not, nor run while any classifies.
class CRecognizer {
public:
    // The side of the square frame the model was trained in; ink is mapped
    // into it before classification.
    static constexpr int kFrameSize = 1000;

    CRecognizer();
    ~CRecognizer();
    CRecognizer(const CRecognizer&) = delete;
    CRecognizer& operator=(const CRecognizer&) = delete;

    // Opens a model file; false with the reason in error, for the learner,
    // when it cannot be used, leaving the recogniser closed. The file is
    // checked whole before the library reads it.
    bool Open(const QString& path, QString* error = nullptr);
    // Lets the model and its memory go.
    void Close();
    bool IsOpen() const { return m_bOpen; }

    // True when the model can name this character at all; a character it
    // cannot name must not be judged wrong for failing to appear.
    bool Knows(const QString& character) const;
    // The number of characters the model can name.
    int CharacterCount() const;

    // The best candidates, most likely first, for one character whose
    // strokes are already in the model's frame (see NormaliseToFrame). Empty
    // when closed or without ink. A long stroke reaches the library as a few
    // dozen points along it, however many it has. scores, when given, gets
    // each candidate's score (higher is likelier; only differences between
    // them mean much).
    QStringList Classify(const InkStrokes& strokes, int count = 10,
                         QList<double>* scores = nullptr) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
    bool m_bOpen = false;
};

// Maps one character's ink into the model's square frame. The frame stands
// for the character's cell (its guide box, or its stretch of the line of
// writing) made square around the cell's middle, so the ink keeps its
// proportions and its size and place within the cell: the model tells 口
// from 囗 and ロ by how much of the cell the ink fills. Ink that spills out
// of its cell widens the square. Without a cell the ink's own bounds are the
// cell.
InkStrokes NormaliseToFrame(const InkStrokes& strokes, const QRectF& cell = {});
