// The default station files as shipped and as the build lays them out: a new station must start
// with a Parms.inf the program reads (else "Critical Fault"), forms whose tags and fields it fills,
// help pages whose links work offline, and an alert sound every player accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSource = TOLVEX_STATION_SOURCE;   // station/ in the source tree
const fs::path kDefault = TOLVEX_STATION_DEFAULT; // bin/station-default
const fs::path kBin = TOLVEX_STATION_BIN;         // bin/, beside the program

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Splits a file into lines ended by CR LF; records a failure for any other line end.
std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line has no CR LF: \"" << text.substr(start) << '"';
            break;
        }
        std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in: " << line;
        lines.push_back(std::move(line));
        start = end + 2;
    }
    return lines;
}

// The keys of Parms.inf in the order the program writes them.
const std::array<const char*, 60> kKeys = {
    "Callsign",     "FCC",          "AddFCC",       "Autofill",     "MsgFormPref",  "PrintPref",
    "AlertPref",    "ConnStr",      "DisconStr",    "ComPortSet",   "ParitySet",    "DataBitSet",
    "StopBitSet",   "BaudSet",      "FlowSet",      "GroupAd(0)",   "GroupAd(1)",   "GroupAd(2)",
    "GroupAd(3)",   "GroupAd(4)",   "GroupAd(5)",   "CmdCmd",       "ConnCmd",      "DisconCmd",
    "NodeReady(0)", "NodeReady(1)", "NodeReady(2)", "NodeReady(3)", "SSID",         "TNCCmd",
    "ConnFail(0)",  "ConnFail(1)",  "ConnFail(2)",  "ConnFail(3)",  "ConverseCmd",  "ThisNCS",
    "DirAlert",     "NetOperation", "NCSCallsign",  "NetActiveMsg", "NCS1Msg",      "NCS2Msg",
    "NCS3Msg",      "NCS4Msg",      "InfoNet1Msg",  "InfoNet2Msg",  "PermitMsg",    "RemoteOperation",
    "LFout",        "LFin",         "Bye",          "SaveRcvdMsgs", "SaveSentMsgs", "UnprotoCmd",
    "LinkMade(0)",  "LinkMade(1)",  "LinkMade(2)",  "LinkMade(3)",  "Duplex",       "EncodingValue",
};

using Parms = std::map<std::string, std::string>;

// Reads Parms.inf the way the program does (key before the first "=", value after it) and checks
// the layout on the way.
Parms readParms(const fs::path& path) {
    const std::vector<std::string> lines = crlfLines(readFile(path));
    EXPECT_EQ(lines.size(), kKeys.size());
    Parms parms;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            ADD_FAILURE() << "line " << i + 1 << " has no '=': " << line;
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (i < kKeys.size()) {
            EXPECT_EQ(key, kKeys[i]) << "line " << i + 1;
        }
        EXPECT_TRUE(parms.emplace(key, value).second) << "key twice: " << key;
        if (!value.empty()) {
            EXPECT_NE(value.front(), ' ') << key << " starts with a blank";
            EXPECT_NE(value.back(), ' ') << key << " ends with a blank";
        }
    }
    return parms;
}

std::optional<long> decimal(const std::string& text) {
    static const std::regex number("-?[0-9]+");
    if (!std::regex_match(text, number)) {
        return std::nullopt;
    }
    return std::stol(text);
}

std::vector<fs::path> filesIn(const fs::path& dir, const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Texts the receive side looks for in the TNC's output: a message body holding one of them would
// be taken for a link event at the other end.
std::vector<std::string> recognisedTexts(const Parms& parms) {
    std::vector<std::string> texts;
    for (const char* key : {"ConnStr", "DisconStr", "TNCCmd"}) {
        texts.push_back(parms.at(key));
    }
    for (const char* group : {"NodeReady", "LinkMade", "ConnFail"}) {
        for (int i = 0; i < 4; ++i) {
            texts.push_back(parms.at(std::string(group) + "(" + std::to_string(i) + ")"));
        }
    }
    std::erase_if(texts, [](const std::string& t) { return t.empty(); });
    return texts;
}

} // namespace

TEST(StationParms, HasTheSixtyKeysInOrderWithCrLfAndNoStrayBlanks) {
    const Parms parms = readParms(kSource / "Parms.inf");
    EXPECT_EQ(parms.size(), kKeys.size());
}

TEST(StationParms, NumbersAndChoicesAreInRange) {
    const Parms parms = readParms(kSource / "Parms.inf");
    struct Range {
        const char* key;
        long min;
        long max;
    };
    // The reader ends the program on an int key that is empty or not a number.
    const Range ranges[] = {
        {"AddFCC", 0, 1},         {"Autofill", 0, 1},     {"PrintPref", 0, 2},    {"AlertPref", 0, 2},
        {"ComPortSet", 0, 7},     {"ParitySet", 0, 2},    {"DataBitSet", 0, 1},   {"StopBitSet", 0, 1},
        {"BaudSet", 0, 5},        {"FlowSet", 0, 2},      {"DirAlert", 0, 1},     {"RemoteOperation", 0, 1},
        {"EncodingValue", -1, 9}, {"CmdCmd", 1, 255},     {"LFout", 0, 1},        {"LFin", 1, 2},
        {"ThisNCS", 0, 1},        {"NetOperation", 0, 1}, {"SaveRcvdMsgs", 0, 1}, {"SaveSentMsgs", 0, 1},
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.key);
        const std::optional<long> value = decimal(parms.at(r.key));
        ASSERT_TRUE(value.has_value()) << '"' << parms.at(r.key) << '"';
        EXPECT_GE(*value, r.min);
        EXPECT_LE(*value, r.max);
    }
    EXPECT_TRUE(parms.at("Duplex") == "full" || parms.at("Duplex") == "half");
}

TEST(StationParms, NewStationAsksForItsCallsignAndUsesAShippedForm) {
    const Parms parms = readParms(kSource / "Parms.inf");
    // An empty Callsign is what makes the first start ask for one.
    EXPECT_EQ(parms.at("Callsign"), "");
    EXPECT_EQ(parms.at("FCC"), "");
    EXPECT_EQ(parms.at("SSID"), "");
    EXPECT_TRUE(fs::is_regular_file(kSource / "Forms" / parms.at("MsgFormPref"))) << parms.at("MsgFormPref");
    for (const char* key :
         {"ConnCmd", "DisconCmd", "ConverseCmd", "UnprotoCmd", "TNCCmd", "Bye", "ConnStr", "DisconStr"}) {
        EXPECT_FALSE(parms.at(key).empty()) << key;
    }
}

TEST(StationParms, NodeTextsAreLongEnoughToBeUsed) {
    // The reader replaces entries shorter than 5 characters with placeholders that never match, so a
    // short default would silently be dead.
    const Parms parms = readParms(kSource / "Parms.inf");
    for (const char* group : {"NodeReady", "LinkMade", "ConnFail"}) {
        for (int i = 0; i < 4; ++i) {
            const std::string key = std::string(group) + "(" + std::to_string(i) + ")";
            const std::string& value = parms.at(key);
            EXPECT_TRUE(value.empty() || value.size() >= 5) << key << " = " << value;
        }
    }
}

TEST(StationParms, NetTextsAreDistinctSingleLinesWithoutNetMarkers) {
    const Parms parms = readParms(kSource / "Parms.inf");
    // The control console picks the line to send by comparing the text with these in turn, so two
    // equal texts (or one equal to "Close") would send the wrong kind of line.
    const char* keys[] = {"NetActiveMsg", "NCS1Msg",     "NCS2Msg",     "NCS3Msg",
                          "NCS4Msg",      "InfoNet1Msg", "InfoNet2Msg", "PermitMsg"};
    std::set<std::string> seen{"Close"};
    for (const char* key : keys) {
        SCOPED_TRACE(key);
        const std::string& text = parms.at(key);
        EXPECT_FALSE(text.empty());
        EXPECT_LE(text.size(), 80u);
        EXPECT_TRUE(seen.insert(text).second) << "repeated: " << text;
        EXPECT_EQ(text.find("$^"), std::string::npos);
        for (const char* word : {".netactive", ".netclosed", ".netmsg", ".ckin", ".ckout", ".rts", ".rse"}) {
            EXPECT_EQ(text.find(word), std::string::npos) << word;
        }
    }
}

TEST(StationFiles, CounterAndDestinationListStartFresh) {
    EXPECT_EQ(readFile(kSource / "MsgNo.inf"), "1\r\n");
    ASSERT_TRUE(fs::exists(kSource / "callsign.lst"));
    EXPECT_EQ(fs::file_size(kSource / "callsign.lst"), 0u);
}

TEST(StationForms, UseOnlyTheKnownTagsAndFieldMarkers) {
    const Parms parms = readParms(kSource / "Parms.inf");
    const std::vector<std::string> recognised = recognisedTexts(parms);
    const std::vector<fs::path> forms = filesIn(kSource / "Forms", ".frm");
    for (const char* required : {"General.frm", "Incident.frm"}) {
        EXPECT_TRUE(std::count(forms.begin(), forms.end(), kSource / "Forms" / required)) << required;
    }
    ASSERT_GE(forms.size(), 3u);

    static const std::regex anyTag("<[^>]*>");
    const std::string tags[] = {"<D>", "<T>", "<C>", "<M>"};
    for (const fs::path& form : forms) {
        SCOPED_TRACE(form.filename().string());
        const std::string text = readFile(form);
        const std::vector<std::string> lines = crlfLines(text);
        EXPECT_GT(lines.size(), 3u);
        std::map<std::string, int> tagCount;
        for (const std::string& line : lines) {
            SCOPED_TRACE(line);
            EXPECT_LE(line.size(), 72u);
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7f; }))
                << "only printable ASCII travels safely through every TNC";
            // A line opening with a dot could be taken for a message header at the other end.
            EXPECT_FALSE(!line.empty() && line.front() == '.');
            for (const std::string& tag : tags) {
                const std::size_t first = line.find(tag);
                // Only the first occurrence on a line is filled in; a second would go out as typed.
                EXPECT_TRUE(first == std::string::npos || line.find(tag, first + 1) == std::string::npos)
                    << tag;
                tagCount[tag] += first != std::string::npos;
            }
            for (auto it = std::sregex_iterator(line.begin(), line.end(), anyTag);
                 it != std::sregex_iterator(); ++it) {
                EXPECT_TRUE(std::count(std::begin(tags), std::end(tags), it->str()))
                    << "unknown tag " << it->str();
            }
            const std::string rest = std::regex_replace(line, anyTag, "");
            EXPECT_EQ(rest.find_first_of("<>"), std::string::npos) << "stray angle bracket";
        }
        for (const std::string& tag : tags) {
            EXPECT_EQ(tagCount[tag], 1) << tag << " should appear once, for autofill";
        }
        EXPECT_GE(std::count(text.begin(), text.end(), '='), 3) << "a form needs fields to fill in";
        EXPECT_EQ(text.find("$^"), std::string::npos) << "the end-of-message marker";
        for (const std::string& r : recognised) {
            EXPECT_EQ(text.find(r), std::string::npos) << "TNC text in a form: " << r;
        }
    }
}

TEST(StationHelp, EveryWindowHasItsPageAndEveryLocalLinkResolves) {
    const fs::path help = kSource / "Help";
    for (const char* page : {"GettingStarted.html", "OpPref.html", "TNCParms.html", "NodeResp.html",
                             "ConDest.html", "CompMess.html", "BroadMess.html", "ViewLog.html",
                             "NetControl.html", "NetMember.html", "style.css"}) {
        EXPECT_TRUE(fs::is_regular_file(help / page)) << page;
    }

    static const std::regex link(R"re((?:href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    static const std::regex id(R"re(\bid\s*=\s*"([^"]*)")re", std::regex::icase);
    std::map<std::string, std::set<std::string>> idsOf;
    const std::vector<fs::path> pages = filesIn(help, ".html");
    ASSERT_GE(pages.size(), 8u);
    for (const fs::path& page : pages) {
        const std::string text = readFile(page);
        auto& ids = idsOf[page.filename().string()];
        for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator();
             ++it) {
            EXPECT_TRUE(ids.insert((*it)[1]).second) << page.filename() << ": id twice: " << (*it)[1];
        }
    }

    for (const fs::path& page : pages) {
        SCOPED_TRACE(page.filename().string());
        const std::string text = readFile(page);
        EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
        EXPECT_NE(text.find("<title>"), std::string::npos);
        EXPECT_NE(text.find("href=\"style.css\""), std::string::npos);
        EXPECT_EQ(text.find("<script"), std::string::npos);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), link); it != std::sregex_iterator();
             ++it) {
            const std::string target = (*it)[1];
            SCOPED_TRACE(target);
            // Help is read offline, often with no network at all.
            ASSERT_EQ(target.find(':'), std::string::npos) << "external link or resource";
            const std::size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const std::string fragment = hash == std::string::npos ? "" : target.substr(hash + 1);
            const std::string name = file.empty() ? page.filename().string() : file;
            EXPECT_EQ(name.find('/'), std::string::npos) << "links stay inside Help";
            ASSERT_TRUE(fs::is_regular_file(help / name)) << "missing file";
            if (!fragment.empty()) {
                EXPECT_TRUE(idsOf[name].count(fragment)) << "no id \"" << fragment << "\" in " << name;
            }
        }
    }
}

TEST(StationBuild, DefaultFolderHoldsExactCopiesAndAnEmptyMessagesFolder) {
    std::vector<fs::path> files = {"Parms.inf", "MsgNo.inf", "callsign.lst"};
    for (const char* sub : {"Forms", "Help"}) {
        for (const auto& entry : fs::directory_iterator(kSource / sub)) {
            files.push_back(fs::relative(entry.path(), kSource));
        }
    }
    for (const fs::path& rel : files) {
        SCOPED_TRACE(rel.string());
        ASSERT_TRUE(fs::is_regular_file(kDefault / rel));
        EXPECT_TRUE(readFile(kDefault / rel) == readFile(kSource / rel)) << "copy differs from the source";
        // Beside the program the operator's own edits win, so only presence is checked there.
        EXPECT_TRUE(fs::is_regular_file(kBin / rel));
    }
    for (const fs::path& station : {kDefault, kBin}) {
        EXPECT_TRUE(fs::is_directory(station / "Messages")) << station;
    }
    EXPECT_TRUE(fs::is_empty(kDefault / "Messages"));
}

namespace {

std::uint32_t le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

} // namespace

TEST(StationAlertSound, IsAPlainPcmWaveWhoseSizesMatchTheFile) {
    for (const fs::path& wav : {kDefault / "pmr.wav", kBin / "pmr.wav"}) {
        SCOPED_TRACE(wav.string());
        const std::string b = readFile(wav);
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(b.substr(0, 4), "RIFF");
        EXPECT_EQ(le32(b, 4), b.size() - 8);
        EXPECT_EQ(b.substr(8, 4), "WAVE");
        EXPECT_EQ(b.substr(12, 4), "fmt ");
        EXPECT_EQ(le32(b, 16), 16u);
        EXPECT_EQ(le16(b, 20), 1u) << "PCM";
        const std::uint16_t channels = le16(b, 22);
        const std::uint32_t rate = le32(b, 24);
        const std::uint16_t bits = le16(b, 34);
        EXPECT_EQ(channels, 1u);
        EXPECT_EQ(bits, 16u);
        EXPECT_TRUE(rate == 8000 || rate == 11025 || rate == 22050 || rate == 44100) << rate;
        EXPECT_EQ(le16(b, 32), channels * bits / 8) << "block align";
        EXPECT_EQ(le32(b, 28), rate * channels * bits / 8) << "byte rate";
        EXPECT_EQ(b.substr(36, 4), "data");
        const std::uint32_t dataBytes = le32(b, 40);
        ASSERT_EQ(dataBytes, b.size() - 44);
        ASSERT_EQ(dataBytes % 2, 0u);

        const std::size_t count = dataBytes / 2;
        const double seconds = static_cast<double>(count) / rate;
        EXPECT_GT(seconds, 0.3);
        EXPECT_LT(seconds, 2.0);
        int peak = 0;
        for (std::size_t i = 0; i < count; ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(static_cast<std::int16_t>(le16(b, 44 + 2 * i)))));
        }
        EXPECT_GT(peak, 8000) << "too quiet to notice";
        EXPECT_LT(peak, 32767) << "clipped";
        // Starting or stopping away from zero clicks in the speaker.
        EXPECT_LT(std::abs(static_cast<std::int16_t>(le16(b, 44))), 300);
        EXPECT_LT(std::abs(static_cast<std::int16_t>(le16(b, b.size() - 2))), 300);
    }
}
