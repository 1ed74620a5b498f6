#pragma once

#include <QString>
#include <QtGlobal>

// Checks the bytes of a Zinnia model before the library reads them. The
// library trusts the file: a count larger than the file can hold makes it
// allocate without bound, and a body cut short makes it read past the end.
//
// The layout, little-endian: the file's size XOR 0x0ef71821, the version
// (1), the number of characters; then per character its name in 16 bytes
// (NUL-terminated UTF-8), a float bias and its features, each an int32
// index and a float weight, ended by a feature of index -1. The last
// character ends where the file does.
//
// Returns why the bytes cannot be used, for the learner; empty when they
// can.
QString ZinniaModelProblem(const uchar* data, qint64 size);
