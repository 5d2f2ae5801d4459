"""The content facts the program relies on, checked on a list of records.

A record is (number, title, body) with body None for NULL, given in storage order. check()
returns one line per fact that does not hold; an empty list means the collection is sound.
"""

import collections
import re
import statistics

RECORD_COUNT = 8030
NULL_BODY_ID = 2665
STORAGE_RUNS = [(1, 2825), (3471, 3581), (5324, 5433), (2826, 3470), (3582, 5323), (5434, 8030)]

EXPECTED_HEADING_COUNTS = {
    "组成": 8017, "来源": 8015, "主治": 7990, "用法": 7989, "功用": 2990, "支持": 1018,
    "异名": 805, "加减": 686, "方论": 452, "禁忌": 434, "实验研究": 37,
}
CANONICAL_ORDER = ["来源", "异名", "组成", "用法", "功用", "主治", "加减", "方论", "禁忌", "实验研究",
                   "支持"]
LOOSELY_ORDERED = {"加减", "方论", "禁忌"}
MOST_COMMON_SECTIONS = ["来源", "组成", "用法", "主治"]

# The text of every support section: "#", a site name, one space, a web address.
SUPPORT_TEXT = "#中医方剂大全 www.dravena.example"

CATEGORY_WORDS = ["补气", "补血", "安神", "阳痿", "壮阳", "跌打", "烧伤", "冻伤", "痔疮", "痤疮",
                  "黄褐斑", "雀斑", "脱发", "白发", "泌尿", "消化", "寄生虫", "产后", "月经", "滋补"]
PROMPT_TEXT = "请输入搜索关键词"
MIN_CATEGORY_HITS = 5

# Characters that mean something in a search statement: (character, in titles, in bodies).
STATEMENT_CHARACTERS = [("'", 0, 0), ("%", 0, 3), ("]", 0, 2), ("_", 0, 0), ("[", 0, 0)]

TITLE_NUMBER = re.compile(r"^(.*?)([0-9]+|[０-９]+)$")
TITLE_CHARACTER = re.compile(r"[\u4e00-\u9fff0-9I０-９]")


def sections(body):
    """(bracketed text or None when the bracket is never closed, section text) per "【"."""
    result = []
    starts = [i for i, c in enumerate(body) if c == "【"]
    for n, start in enumerate(starts):
        end = starts[n + 1] if n + 1 < len(starts) else len(body)
        close = body.find("】", start, end)
        if close < 0:
            result.append((None, body[start + 1:end]))
        else:
            result.append((body[start + 1:close], body[close + 1:end]))
    return result


def headings_of(body):
    return [h for h, _ in sections(body) if h in EXPECTED_HEADING_COUNTS]


def out_of_order(headings):
    ranks = [CANONICAL_ORDER.index(h) for h in headings]
    return any(a >= b for a, b in zip(ranks, ranks[1:]))


def check_numbers(records, fail):
    numbers = [n for n, _, _ in records]
    if sorted(numbers) != list(range(1, RECORD_COUNT + 1)):
        fail("numbers are not exactly 1 to 8030")
    expected = [n for first, last in STORAGE_RUNS for n in range(first, last + 1)]
    if numbers != expected:
        fail("rows are not in the six storage runs")


def check_titles(records, fail):
    titles = [t for _, t, _ in records]
    if len(set(titles)) != len(titles):
        fail("titles are not all different")
    lengths = [len(t) for t in titles]
    if min(lengths) != 2 or max(lengths) != 18:
        fail(f"title lengths run from {min(lengths)} to {max(lengths)}, not 2 to 18")
    if sum(3 <= n <= 5 for n in lengths) * 2 <= len(lengths):
        fail("most titles are not 3 to 5 characters long")
    mean = statistics.mean(lengths)
    if not 3.5 <= mean <= 4.5:
        fail(f"mean title length {mean:.2f} is not about 4")
    for t in titles:
        if not all(TITLE_CHARACTER.fullmatch(c) for c in t):
            fail(f"title {t!r} has a character other than Chinese, digits or I")
    with_letter = sum("I" in t for t in titles)
    if not 1 <= with_letter <= 10:
        fail(f"{with_letter} titles have the letter I, not a few")

    numbered = collections.defaultdict(list)
    ascii_count = full_width_count = 0
    for t in titles:
        match = TITLE_NUMBER.match(t)
        if not match:
            continue
        digits = match.group(2)
        if digits.isascii():
            ascii_count += 1
        else:
            full_width_count += 1
        numbered[match.group(1)].append(int(digits))
    if ascii_count != 2366 or full_width_count != 3:
        fail(f"{ascii_count} titles end in ASCII digits and {full_width_count} in full-width "
             "ones, not 2366 and 3")
    all_numbers = [n for ns in numbered.values() for n in ns]
    if min(all_numbers) != 1 or max(all_numbers) != 14:
        fail("title numbers do not run from 1 to 14")
    for name, ns in numbered.items():
        if sorted(ns) != list(range(1, len(ns) + 1)) or len(ns) < 2:
            fail(f"the variants of {name} are not numbered 1, 2, ... upward")
        if name in titles:
            fail(f"{name} stands both numbered and unnumbered")
    if len(numbered) != 905:
        fail(f"{len(numbered)} names come in numbered variants, not 905")


def check_bodies(records, fail):
    nulls = [n for n, _, b in records if b is None]
    if nulls != [NULL_BODY_ID]:
        fail(f"the bodies of {nulls} are NULL, not only that of {NULL_BODY_ID}")
    bodies = [(t, b) for _, t, b in records if b is not None]
    lengths = sorted(len(b) for _, b in bodies)
    if (lengths[0], lengths[-1], statistics.median(lengths)) != (41, 1065, 136):
        fail(f"body lengths: shortest {lengths[0]}, longest {lengths[-1]}, median "
             f"{statistics.median(lengths)}, not 41, 1065, 136")
    opening = sum(b.startswith(t + "【") for t, b in bodies)
    if opening != 7998:
        fail(f"{opening} bodies begin with their title and a heading, not 7998")

    section_counts = [len(sections(b)) for _, b in bodies]
    if section_counts.count(0) != 11:
        fail(f"{section_counts.count(0)} bodies have no heading, not 11")
    if any("】" in b for _, b in bodies if "【" not in b):
        fail("a body without headings has a closing bracket")
    if max(section_counts) != 10:
        fail(f"the most sections in a body are {max(section_counts)}, not 10")
    if sum(4 <= n <= 6 for n in section_counts) * 2 <= len(section_counts):
        fail("most bodies do not have 4 to 6 sections")


def check_headings(records, fail):
    bodies = [b for _, _, b in records if b is not None]
    counts = collections.Counter()
    others = collections.Counter()
    unclosed = 0
    for b in bodies:
        parts = sections(b)
        unclosed += any(h is None for h, _ in parts)
        for h, _ in parts:
            if h in EXPECTED_HEADING_COUNTS:
                counts[h] += 1
            elif h is not None:
                others[h] += 1
    for heading, expected in EXPECTED_HEADING_COUNTS.items():
        if counts[heading] != expected:
            fail(f"heading {heading} occurs {counts[heading]} times, not {expected}")
    if len(others) != 12 or not all(1 <= n <= 6 for n in others.values()):
        fail(f"further bracketed texts: {dict(others)}, not twelve occurring 1 to 6 times")
    if unclosed != 4:
        fail(f"{unclosed} bodies have an unclosed bracket, not 4")

    orders = [headings_of(b) for b in bodies]
    deviating = [h for h in orders if out_of_order(h)]
    loose = [h for h in deviating
             if not out_of_order([x for x in h if x not in LOOSELY_ORDERED])]
    if len(deviating) != 71 or len(loose) * 2 <= len(deviating):
        fail(f"{len(deviating)} bodies out of order ({len(loose)} among 加减, 方论, 禁忌), "
             "not 71, mostly among those")
    combinations = collections.Counter(tuple(h for h, _ in sections(b)) for b in bodies)
    (top, top_count), = combinations.most_common(1)
    if list(top) != MOST_COMMON_SECTIONS or top_count != 3524:
        fail(f"the most common sections are {top} in {top_count} bodies, not "
             f"{MOST_COMMON_SECTIONS} in 3524")
    same_set = sum(sorted(h or "" for h, _ in sections(b)) == sorted(MOST_COMMON_SECTIONS)
                   for b in bodies)
    if same_set != 3524:
        fail(f"{same_set} bodies have the four common sections in some order, not 3524")


def check_support_sections(records, fail):
    if len(SUPPORT_TEXT) != 27:
        fail("the support text is not 27 characters long")
    if any("#" in t for _, t, _ in records):
        fail("a title contains #")
    bodies = [b for _, _, b in records if b is not None]
    with_hash = [b for b in bodies if "#" in b]
    if len(with_hash) != 1018:
        fail(f"{len(with_hash)} bodies contain #, not 1018")
    for b in with_hash:
        parts = sections(b)
        if b.count("#") != 1 or parts[-1] != ("支持", SUPPORT_TEXT):
            fail(f"# out of place in {b[:20]!r}")
    for b in bodies:
        names = [h for h, _ in sections(b)]
        if "支持" in names and names.index("支持") != len(names) - 1:
            fail(f"support section not last in {b[:20]!r}")


def check_characters(records, fail):
    bodies = [b for _, _, b in records if b is not None]
    texts = [t for _, t, _ in records] + bodies
    with_breaks = [b for b in bodies if "\r\n" in b]
    pairs = sum(b.count("\r\n") for b in with_breaks)
    if len(with_breaks) != 8 or pairs != 55:
        fail(f"{len(with_breaks)} bodies with {pairs} CR LF pairs, not 8 with 55")
    for text in texts:
        rest = text.replace("\r\n", "")
        if any(ord(c) < 0x20 or ord(c) == 0x7F for c in rest):
            fail(f"control character in {text[:20]!r}")
        if any(ord(c) > 0xFFFF or 0xD800 <= ord(c) <= 0xDFFF for c in text):
            fail(f"character outside the Basic Multilingual Plane in {text[:20]!r}")
        if text.startswith("\ufeff"):
            fail(f"text begins with a byte order mark: {text[:20]!r}")
    for character, in_titles, in_bodies in STATEMENT_CHARACTERS:
        got = (sum(t.count(character) for _, t, _ in records),
               sum(b.count(character) for b in bodies))
        if got != (in_titles, in_bodies):
            fail(f"{character!r} occurs {got[0]} times in titles and {got[1]} in bodies, not "
                 f"{in_titles} and {in_bodies}")


def category_hits(records):
    return {w: sum(w in t or (b is not None and w in b) for _, t, b in records)
            for w in CATEGORY_WORDS + [PROMPT_TEXT]}


def check_categories(records, fail):
    hits = category_hits(records)
    for word in CATEGORY_WORDS:
        if hits[word] < MIN_CATEGORY_HITS:
            fail(f"category {word} finds only {hits[word]} remedies")
    if hits[PROMPT_TEXT]:
        fail("the prompt text finds a remedy")


def check(records):
    failures = []
    if len(records) != RECORD_COUNT:
        return [f"{len(records)} records, not {RECORD_COUNT}"]
    for step in (check_numbers, check_titles, check_bodies, check_headings,
                 check_support_sections, check_characters, check_categories):
        step(records, failures.append)
    return failures
