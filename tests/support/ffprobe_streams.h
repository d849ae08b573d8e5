#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orbix::testing {

// ffprobe's view of a file's streams, one "type,width,sample rate" a line,
// sorted.
inline QStringList FfprobeStreams(const QString& path) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type,width,sample_rate",
                            "-of", "csv=p=0", path});
    probe.waitForFinished(60000);
    QStringList lines =
        QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.removeDuplicates();  // streams are listed again under their program
    lines.sort();
    return lines;
}

}  // namespace orbix::testing
