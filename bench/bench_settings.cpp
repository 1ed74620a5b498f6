// A settings read, as the canvas makes at every stroke segment and the item
// lists at every painted row, against reading through a QSettings object
// built for the read (what each read cost when nothing was kept).

#include "../tests/common/TestEnv.h"
#include "BenchLists.h"
#include "platform/Profile.h"

#include <QCoreApplication>
#include <QSettings>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // A store as full as the program's.
    for (int i = 0; i < 27; ++i)
        WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Value%1").arg(i), i);
    constexpr int kReads = 20000;
    qint64 sink = 0;
    std::vector<double> fresh;
    std::vector<double> kept;
    for (int round = 0; round < 7; ++round) {
        fresh.push_back(
            MicrosecondsOf([&] {
                for (int i = 0; i < kReads; ++i) {
                    QSettings store(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("Quillmoor"), QStringLiteral("Velmarik"));
                    sink += store.value(QStringLiteral("Settings/StrokeWidth"), 6).toInt();
                }
            }) /
            kReads);
        kept.push_back(MicrosecondsOf([&] {
                           for (int i = 0; i < kReads; ++i)
                               sink += GetProfileInt(QStringLiteral("Settings"),
                                                     QStringLiteral("StrokeWidth"), 6);
                       }) /
                       kReads);
    }
    const double base = Median(fresh);
    const double read = Median(kept);
    std::printf("baseline: read through a new QSettings %.2f us\n", base);
    std::printf("GetProfileInt: %.2f us, %.3fx baseline\n", read, read / base);
    return sink > 0 ? 0 : 1;
}
