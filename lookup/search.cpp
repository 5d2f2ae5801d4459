#include "lookup/search.h"

using namespace Qt::Literals::StringLiterals;

namespace lookup {

QString searchStatement(const QString& keyword) {
    QString quoted = keyword;
    quoted.replace(u'\'', u"''"_s);
    return u"Select * from data where 标题 like '%"_s + quoted + u"%' or 内容 like '%"_s + quoted +
           u"%' "_s;
}

QString searchMessage(const QString& keyword, qsizetype hits) {
    return u"关于"_s + keyword + u"的信息,共搜索到"_s + QString::number(hits) + u"条"_s;
}

} // namespace lookup
