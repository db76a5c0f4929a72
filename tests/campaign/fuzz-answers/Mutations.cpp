#include "Mutations.h"

#include "common/Text.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace svcgate::campaign {

namespace {

constexpr size_t npos = std::string::npos;

struct Span {
    size_t begin;
    size_t end;
};

// The end of the tag that starts at `lt`, past its '>', quotes respected.
size_t TagEnd(const std::string& text, size_t lt) {
    char quote = 0;
    for (size_t i = lt + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return i + 1;
    }
    return npos;
}

// Every element of a well-formed answer, from its start tag to its end tag.
std::vector<Span> Elements(const std::string& text) {
    std::vector<Span> spans;
    std::vector<size_t> open;
    for (size_t i = text.find('<'); i != npos && i + 1 < text.size(); i = text.find('<', i)) {
        const size_t end = TagEnd(text, i);
        if (end == npos)
            break;
        if (text[i + 1] == '/' && !open.empty()) {
            spans.push_back({open.back(), end});
            open.pop_back();
        } else if (text[i + 1] != '/' && text[i + 1] != '?' && text[i + 1] != '!') {
            if (text[end - 2] == '/')
                spans.push_back({i, end});
            else
                open.push_back(i);
        }
        i = end;
    }
    return spans;
}

// The values of attributes (between the quotes) or the texts between tags.
std::vector<Span> Values(const std::string& text, bool attributes) {
    std::vector<Span> spans;
    const char* opening = attributes ? "=\"" : ">";
    const char closing = attributes ? '"' : '<';
    for (size_t i = text.find(opening); i != npos; i = text.find(opening, i + 1)) {
        const size_t begin = i + (attributes ? 2 : 1);
        const size_t end = text.find(closing, begin);
        if (end == npos)
            break;
        if (attributes || end > begin)
            spans.push_back({begin, end});
    }
    return spans;
}

std::string Replaced(const std::string& text, Span span, const std::string& with) {
    return text.substr(0, span.begin) + with + text.substr(span.end);
}

std::optional<Span> PickOf(Random& random, const std::vector<Span>& spans) {
    if (spans.empty())
        return std::nullopt;
    return random.Pick(spans);
}

std::string WithoutProlog(const std::string& text) {
    if (!text.starts_with("<?xml"))
        return text;
    const size_t end = text.find("?>");
    size_t next = end + 2;
    while (next < text.size() && (text[next] == '\r' || text[next] == '\n'))
        ++next;
    return text.substr(next);
}

// What a number the client reads may be made into.
std::string OddValue(Random& random) {
    static const std::vector<std::string> values{"",
                                                 "abc",
                                                 "-1",
                                                 "-2147483648",
                                                 "2147483647",
                                                 "2147483648",
                                                 "4294967296",
                                                 "-9223372036854775809",
                                                 "99999999999999999999999",
                                                 "1e3",
                                                 "0x1F",
                                                 " 7 ",
                                                 "1,5",
                                                 "1.5",
                                                 "NaN",
                                                 "\xD9\xA1\xD9\xA2",
                                                 "\xD0\xAF\xD0\xAF",
                                                 "+0",
                                                 "-0",
                                                 "007",
                                                 "3 4"};
    if (random.Chance(8))
        return std::string(1 << 20, random.Chance(50) ? '9' : 'x');
    return random.Pick(values);
}

std::string Truncated(Random& random, const std::string& valid) {
    return valid.substr(0, random.Below(static_cast<std::uint32_t>(valid.size())));
}

std::string TruncatedAtTag(Random& random, const std::string& valid) {
    std::vector<size_t> cuts{0};
    for (size_t i = 0; i < valid.size(); ++i)
        if (valid[i] == '<' || valid[i] == '>')
            cuts.push_back(i + random.Below(2));
    return valid.substr(0, random.Pick(cuts));
}

std::string Encoding(Random& random, const std::string& valid) {
    static const std::vector<std::string> prologs{
        "",
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>",
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
        "<?xml version=\"1.0\" encoding=\"bogus-8\"?>",
        "<?xml version=\"1.0\" encoding=\"\"?>",
        "<?xml version=\"9.9\"?>",
        " <?xml version=\"1.0\"?>",
        "<?xml version=\"1.0\"?><?xml version=\"1.0\"?>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"};
    return random.Pick(prologs) + "\r\n" + WithoutProlog(valid);
}

std::string ByteOrderMark(Random& random, const std::string& valid) {
    switch (random.Below(5)) {
    case 0:
        return "\xEF\xBB\xBF" + valid;
    case 1:
        return "\xFF\xFE" + valid;
    case 2:
        return std::string("\x00\x00\xFE\xFF", 4) + valid;
    default: {
        // The whole answer in UTF-16, with or without its mark.
        const std::wstring wide = Utf8ToWide(valid);
        const std::string bytes(reinterpret_cast<const char*>(wide.data()),
                                wide.size() * sizeof(wchar_t));
        return random.Chance(50) ? "\xFF\xFE" + bytes : bytes;
    }
    }
}

std::string InvalidUtf8(Random& random, const std::string& valid) {
    static const std::vector<std::string> sequences{"\xFF",
                                                    "\xFE\xFE",
                                                    "\xC0\x80",
                                                    "\x80",
                                                    "\xE2\x82",
                                                    "\xED\xA0\x80",
                                                    "\xF8\x88\x80\x80\x80",
                                                    "\xF4\x90\x80\x80",
                                                    std::string("\x00", 1),
                                                    "\x01\x02"};
    const std::vector<Span> values = Values(valid, true);
    const size_t at = values.empty() || random.Chance(30)
                          ? random.Below(static_cast<std::uint32_t>(valid.size()))
                          : random.Pick(values).begin;
    return valid.substr(0, at) + random.Pick(sequences) + valid.substr(at);
}

std::string ElementMissing(Random& random, const std::string& valid) {
    const std::optional<Span> span = PickOf(random, Elements(valid));
    return span ? Replaced(valid, *span, "") : valid;
}

std::string ElementDuplicated(Random& random, const std::string& valid) {
    const std::optional<Span> span = PickOf(random, Elements(valid));
    if (!span)
        return valid;
    const std::string element = valid.substr(span->begin, span->end - span->begin);
    std::string copies;
    for (unsigned i = 1 + random.Below(3); i > 0; --i)
        copies += element;
    return valid.substr(0, span->end) + copies + valid.substr(span->end);
}

// An element moved to another place between tags: siblings out of order, or a
// child where its parent was expected.
std::string ElementMoved(Random& random, const std::string& valid) {
    const std::optional<Span> span = PickOf(random, Elements(valid));
    if (!span)
        return valid;
    const std::string element = valid.substr(span->begin, span->end - span->begin);
    std::string rest = Replaced(valid, *span, "");
    std::vector<size_t> places;
    for (size_t i = rest.find('>'); i != npos; i = rest.find('>', i + 1))
        places.push_back(i + 1);
    const size_t at = places.empty() ? rest.size() : random.Pick(places);
    return rest.insert(at, element);
}

std::string AttributeValue(Random& random, const std::string& valid) {
    const std::optional<Span> span = PickOf(random, Values(valid, true));
    return span ? Replaced(valid, *span, OddValue(random)) : valid;
}

std::string TextValue(Random& random, const std::string& valid) {
    const std::optional<Span> span = PickOf(random, Values(valid, false));
    return span ? Replaced(valid, *span, OddValue(random)) : valid;
}

// The result codes the client checks first, made odd or another number.
std::string ResultCode(Random& random, const std::string& valid) {
    std::vector<Span> results;
    for (size_t i = valid.find(" result=\""); i != npos; i = valid.find(" result=\"", i + 1))
        results.push_back({i + 9, valid.find('"', i + 9)});
    const std::optional<Span> span = PickOf(random, results);
    if (!span)
        return valid;
    const std::string code =
        random.Chance(50) ? std::to_string(random.Between(-5, 400)) : OddValue(random);
    return Replaced(valid, *span, code);
}

std::string AttributeRemoved(Random& random, const std::string& valid) {
    const std::optional<Span> span = PickOf(random, Values(valid, true));
    if (!span)
        return valid;
    size_t name = valid.rfind(' ', span->begin);
    return Replaced(valid, {name, span->end + 1}, random.Chance(20) ? " =\"\"" : "");
}

std::string DeepNesting(Random& random, const std::string& valid) {
    static const std::vector<size_t> depths{300, 5000, 100000};
    const size_t depth = random.Pick(depths);
    std::string open, close;
    for (size_t i = 0; i < depth; ++i) {
        open += "<a>";
        close += "</a>";
    }
    const std::vector<Span> spans = Elements(valid);
    const size_t at = spans.empty() ? 0 : TagEnd(valid, random.Pick(spans).begin);
    return valid.substr(0, at) + open + close + valid.substr(at);
}

// About 20 MB: copies of an element, or one long text.
std::string Huge(Random& random, const std::string& valid) {
    constexpr size_t Size = 20 << 20;
    const std::vector<Span> spans = Elements(valid);
    const Span span = spans.empty() ? Span{0, 0} : spans.front();
    std::string filler;
    if (random.Chance(50) && span.end > span.begin) {
        const std::string element = valid.substr(span.begin, span.end - span.begin);
        filler.reserve(Size + element.size());
        while (filler.size() < Size)
            filler += element;
    } else {
        filler = "<!--" + std::string(Size, 'z') + "-->";
    }
    return valid.substr(0, span.end) + filler + valid.substr(span.end);
}

std::string Garbage(Random& random, const std::string&) {
    return random.Bytes(random.Below(65536));
}

std::string Unchanged(Random&, const std::string& valid) {
    return valid;
}

std::string Empty(Random&, const std::string&) {
    return {};
}

std::string NotXml(Random& random, const std::string&) {
    static const std::vector<std::string> texts{
        "OK",
        "<html><body><h1>502 Bad Gateway</h1></body></html>",
        "{\"result\":0}",
        "<response result=\"0\">",
        "<<>>",
        "<?xml version=\"1.0\"?>",
        "\r\n\r\n"};
    return random.Pick(texts);
}

} // namespace

const std::vector<Mutation>& Mutations() {
    static const std::vector<Mutation> mutations{
        {"truncated", 4, Truncated},
        {"truncated at a tag", 4, TruncatedAtTag},
        {"encoding declaration", 4, Encoding},
        {"byte order mark", 4, ByteOrderMark},
        {"invalid UTF-8", 4, InvalidUtf8},
        {"element missing", 6, ElementMissing},
        {"element duplicated", 4, ElementDuplicated},
        {"element out of order", 4, ElementMoved},
        {"attribute value", 8, AttributeValue},
        {"attribute removed", 3, AttributeRemoved},
        {"element text", 4, TextValue},
        {"result code", 6, ResultCode},
        {"deep nesting", 2, DeepNesting},
        // Drawn by its case number alone.
        {"20 MB answer", 0, Huge},
        {"binary garbage", 2, Garbage},
        {"empty body", 1, Empty},
        {"not XML", 2, NotXml},
        // Never drawn: with --mutation, the baseline of valid answers.
        {"valid answer", 0, Unchanged}};
    return mutations;
}

// The 20 MB answer costs seconds of parsing: it comes once in 2,000 cases, the
// first of them included, so that a short run has one too.
const Mutation& DrawMutation(Random& random, long caseNumber) {
    const std::vector<Mutation>& all = Mutations();
    if (caseNumber % 2000 == 0)
        return *std::find_if(all.begin(), all.end(),
                             [](const Mutation& m) { return m.weight == 0; });
    const unsigned total = std::accumulate(
        all.begin(), all.end(), 0u, [](unsigned sum, const Mutation& m) { return sum + m.weight; });
    unsigned draw = random.Below(total);
    for (const Mutation& mutation : all) {
        if (draw < mutation.weight)
            return mutation;
        draw -= mutation.weight;
    }
    return all.front();
}

} // namespace svcgate::campaign
