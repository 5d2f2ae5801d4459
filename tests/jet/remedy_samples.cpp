#include "remedy_samples.h"

#include "jet/remedy_tsv.h"

namespace jettest {

std::string edgeCaseTsvPath() {
    return std::string(JET_TEST_DATA_DIR) + "/edge_cases.tsv";
}

std::vector<jet::Remedy> edgeCases() {
    return jet::readRemedyTsvFile(edgeCaseTsvPath());
}

std::vector<jet::Remedy> generatedRemedies(int count, int titleLength, int bodyLength) {
    std::vector<jet::Remedy> remedies;
    const int half = count / 2;
    for (int i = 0; i < count; ++i) {
        const int id = i < half ? half - i : count - (i - half);
        std::u16string title(static_cast<std::size_t>(titleLength), u'方');
        std::u16string body(static_cast<std::size_t>(bodyLength), u'药');
        const std::u16string number = jet::utf8ToUtf16(std::to_string(id));
        title.replace(0, std::min(title.size(), number.size()), number.substr(0, title.size()));
        body.replace(0, std::min(body.size(), number.size()), number.substr(0, body.size()));
        remedies.push_back({id, title, body});
    }
    return remedies;
}

} // namespace jettest
