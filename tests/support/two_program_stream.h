#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <string>

namespace orbix::testing {

// Writes a 4 s transport stream of two programs with ffmpeg: program 1 is
// 160x120 video with 48 kHz audio, program 2 320x240 video with 32 kHz
// audio, so a recording of one can be told from the other. True on success.
inline bool MakeTwoProgramStream(const std::string& path) {
    const std::string make =
        "ffmpeg -v error -y -f lavfi -i testsrc=s=160x120:r=25 -f lavfi -i sine=f=440:r=48000 "
        "-f lavfi -i testsrc2=s=320x240:r=25 -f lavfi -i sine=f=880:r=32000 -t 4 "
        "-map 0:v -map 1:a -map 2:v -map 3:a -c:v mpeg2video -b:v 300k -c:a mp2 -b:a 64k "
        "-program program_num=1:st=0:st=1 -program program_num=2:st=2:st=3 "
        "-muxrate 2000000 -f mpegts '" +
        path + "'";
    return std::system(make.c_str()) == 0;
}

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
