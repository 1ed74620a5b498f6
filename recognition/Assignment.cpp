#include "recognition/Assignment.h"

#include <limits>
#include <vector>

namespace {

// rows ≤ columns; a[i][j] with 1-based i and j, after the classic
// formulation that keeps a potential per row and per column.
std::vector<int> SolveWide(const std::vector<std::vector<double>>& a, int rows, int columns)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> u(rows + 1), v(columns + 1);
    std::vector<int> rowOf(columns + 1), way(columns + 1);
    for (int i = 1; i <= rows; ++i) {
        rowOf[0] = i;
        int j0 = 0;
        std::vector<double> least(columns + 1, inf);
        std::vector<char> used(columns + 1, false);
        do {
            used[j0] = true;
            const int i0 = rowOf[j0];
            double delta = inf;
            int j1 = 0;
            for (int j = 1; j <= columns; ++j) {
                if (used[j])
                    continue;
                const double reduced = a[i0][j] - u[i0] - v[j];
                if (reduced < least[j]) {
                    least[j] = reduced;
                    way[j] = j0;
                }
                if (least[j] < delta) {
                    delta = least[j];
                    j1 = j;
                }
            }
            for (int j = 0; j <= columns; ++j) {
                if (used[j]) {
                    u[rowOf[j]] += delta;
                    v[j] -= delta;
                } else {
                    least[j] -= delta;
                }
            }
            j0 = j1;
        } while (rowOf[j0] != 0);
        do {
            const int j1 = way[j0];
            rowOf[j0] = rowOf[j1];
            j0 = j1;
        } while (j0 != 0);
    }
    std::vector<int> columnOf(rows, -1);
    for (int j = 1; j <= columns; ++j)
        if (rowOf[j] != 0)
            columnOf[rowOf[j] - 1] = j - 1;
    return columnOf;
}

} // namespace

QList<int> SolveAssignment(const QList<QList<double>>& cost)
{
    const int rows = int(cost.size());
    const int columns = rows > 0 ? int(cost.first().size()) : 0;
    if (rows == 0 || columns == 0)
        return QList<int>(rows, -1);
    const bool transposed = rows > columns;
    const int r = transposed ? columns : rows;
    const int c = transposed ? rows : columns;
    std::vector<std::vector<double>> a(r + 1, std::vector<double>(c + 1, 0));
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            if (transposed)
                a[j + 1][i + 1] = cost[i][j];
            else
                a[i + 1][j + 1] = cost[i][j];
        }
    const std::vector<int> solved = SolveWide(a, r, c);
    QList<int> result(rows, -1);
    for (int i = 0; i < r; ++i) {
        if (solved[i] < 0)
            continue;
        if (transposed)
            result[solved[i]] = i;
        else
            result[i] = solved[i];
    }
    return result;
}
