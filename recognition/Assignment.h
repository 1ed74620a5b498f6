#pragma once

#include <QList>

// The cheapest one-to-one assignment of rows to columns of a cost matrix
// (the Hungarian method, with potentials). The matrix may be rectangular:
// with more rows than columns some rows stay unassigned, with more columns
// some columns do. Returns, for each row, its column or -1. All rows must
// have the same length; an empty matrix gives an empty result.
QList<int> SolveAssignment(const QList<QList<double>>& cost);
