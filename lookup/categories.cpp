#include "lookup/categories.h"

using namespace Qt::Literals::StringLiterals;

namespace lookup {

const QStringList& categoryEntries() {
    static const QStringList entries{
        u"补气"_s, u"补血"_s, u"安神"_s,   u"阳痿"_s,   u"壮阳"_s, u"跌打"_s, u"烧伤"_s,
        u"冻伤"_s, u"痔疮"_s, u"痤疮"_s,   u"黄褐斑"_s, u"雀斑"_s, u"脱发"_s, u"白发"_s,
        u"泌尿"_s, u"消化"_s, u"寄生虫"_s, u"产后"_s,   u"月经"_s, u"滋补"_s,
    };
    return entries;
}

QString categoryCaption() {
    return u"分类查看"_s;
}

bool categoryStartsSearch(const QString& boxText) {
    return !boxText.isEmpty() && boxText != categoryCaption();
}

} // namespace lookup
