#include "ui/qt_text.h"

#include <QCoreApplication>
#include <optional>

#include "db/channel_file_texts.h"
#include "db/merge_texts.h"
#include "platform/text.h"
#include "platform/text_template.h"

namespace orbix {
namespace {

// The texts that carry values, as templates (see platform/text_template.h).
// Where a layer builds a text from pieces, the template says how they join.
constexpr std::string_view kTemplates[] = {
    channel_file_texts::kAtLine,
    channel_file_texts::kInFile,
    channel_file_texts::kSkippedDvbs2,
    channel_file_texts::kSkippedOther,
    channel_file_texts::kOutsideLnb,
    channel_file_texts::kSkippedOutOfRange,
    channel_file_texts::kNameChanged,
    channel_file_texts::kNoSatellite,
    channel_file_texts::kExportSkipped,
    channel_file_texts::kExported,
    merge_texts::kAddedTo,
    merge_texts::kDuplicates,
    merge_texts::kNameClashes,
    "正在播放%s",
    "正在保存%s",
    "正在保存%s,是否放弃保存%s,开始保存%s?",
    "播放器以用户%s运行，该用户无法写入文件%s，请另选保存位置!",
    "请先锁定%1然后再搜索",
    "搜索节目完毕：%1",
    "请重新搜索：%1",
    "无法接收IP数据: %1",
    "正在接收IP数据(%1) 数据报%2 字节%3 丢弃%4",
};
constexpr int kMaxDepth = 3;

bool HasChinese(std::string_view utf8) {
    // Every CJK character and full-width mark starts with a byte of 0xE3 or more.
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) >= 0xE3) return true;
    return false;
}

QString Translate(const std::string& key) {
    return QCoreApplication::translate(kTextContext, key.c_str());
}

// The text in the interface language, or nullopt where a Chinese part of it
// has no translation. Text without Chinese is its own translation.
std::optional<QString> Lookup(std::string_view utf8, int depth) {
    const std::string key(utf8);
    const QString exact = Translate(key);
    if (exact != FromUtf8(key) || !HasChinese(utf8)) return exact;
    if (depth >= kMaxDepth) return std::nullopt;
    for (const std::string_view templ : kTemplates) {
        const QString translated = Translate(std::string(templ));
        if (translated == FromUtf8(templ)) continue;
        for (const TemplateMatch& m : MatchTemplatePrefix(templ, utf8)) {
            std::optional<QString> rest =
                m.length == utf8.size() ? QString() : Lookup(utf8.substr(m.length), depth + 1);
            if (!rest) continue;
            std::vector<std::string> values;
            for (const std::string& v : m.values)
                values.push_back(Lookup(v, depth + 1).value_or(FromUtf8(v)).toStdString());
            return FromUtf8(FillTemplate(translated.toStdString(), values)) + *rest;
        }
    }
    return std::nullopt;
}

// No translation is installed while the interface speaks Chinese.
bool Translating() { return Translate("确定") != QStringLiteral("确定"); }

}  // namespace

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString FromGbk(std::string_view gbk) { return FromUtf8(Utf8(gbk)); }

std::string ToGbk(const QString& text) { return Gbk(text.toStdString()); }

QString TrUtf8(std::string_view utf8) {
    if (utf8.empty() || !Translating()) return FromUtf8(utf8);
    return Lookup(utf8, 0).value_or(FromUtf8(utf8));
}

QString TrGbk(std::string_view gbk) { return TrUtf8(Utf8(gbk)); }

std::string TrPrintable(std::string_view gbk) { return TrGbk(gbk).toStdString(); }

}  // namespace orbix
