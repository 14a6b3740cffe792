// The author's guide, docs/authoring.md, cannot go stale:
//   - its scene tables are exactly what the show's line-up says
//     (scenes/ShowScenes.h and scenes/SceneNeeds.h); when they differ, the
//     failure prints the section as it should read, to paste in;
//   - it lists every kind of warning that a script may acknowledge;
//   - every script in it (a fenced block marked `script`) goes through
//     demo-check in a show made by demo-new, and demo-check says what the
//     `findings` block after it says, line for line, or nothing. A block
//     marked `script show` is a whole show: every finding counts, and
//     demo-check must pass it unless its findings hold an error. In other
//     blocks, which show a few lines, only the findings on their lines
//     count.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/ShowScenes.h"
#include "script/ParsedScript.h"
#include "support/ToolRun.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTablesStart = "<!-- scene tables: made from scenes/ShowScenes.cpp; tests/docs/GuideTest.cpp checks them -->";
constexpr const char* kTablesEnd = "<!-- end of the scene tables -->";

std::string ReadGuide() {
    std::ifstream file(GUIDE_PATH);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// `text` as code. Built piece by piece: GCC 12 warns wrongly about
// "literal" + string.
std::string Code(std::string_view text) {
    std::string code(1, '`');
    code.append(text);
    code += '`';
    return code;
}

// What the scene's effect makes and needs, as the guide lists it.
std::string NeedsText(const EffectNeeds& needs) {
    std::string text;
    if (!needs.targets.empty()) {
        text += "It makes the render targets";
        for (size_t i = 0; i < needs.targets.size(); ++i) {
            const RenderTargetMade& target = needs.targets[i];
            text += i == 0 ? " " : " and ";
            text += Code(target.handle) + " (" + std::to_string(target.side) + " × " + std::to_string(target.side) + ")";
        }
        text += ".\n";
    }
    if (needs.textures.empty() && !needs.modelFile) return text + "It needs nothing.\n";
    text += "It needs:\n\n";
    for (const TextureNeed& need : needs.textures) {
        text += need.source == TextureSource::Picture ? "- the picture " : "- the render target ";
        text += Code(need.handle) + ": " + need.use + "\n";
    }
    if (needs.modelFile) text += "- the model file " + Code(needs.modelFile) + "\n";
    return text;
}

// The scene tables as the guide shows them.
std::string SceneTables() {
    std::string text = std::string(kTablesStart) + "\n";
    for (const SceneDescription& scene : ShowScenes()) {
        std::string summary = scene.summary;
        if (!summary.empty()) summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
        text += "\n### Scene " + std::to_string(scene.scene) + ": " + scene.effect + "\n\n";
        text += summary + ".\n\n";
        text += "| slot | name | what it does | values | before any `Set` |\n";
        text += "|---|---|---|---|---|\n";
        for (const SceneParameter& parameter : scene.parameters) {
            const std::string slot = std::string(KindWord(parameter.kind)) + "." + std::to_string(parameter.index);
            text += "| " + Code(slot) + " | " + parameter.name + " | " + parameter.meaning + " | " +
                    parameter.values + " | " + (parameter.kind == ParamKind::Bool ? "false" : "0") + " |\n";
        }
        text += "\n";
        text += *scene.stepCharacters ? "It acts on the step character " + Code(scene.stepCharacters) + ". "
                                      : std::string("It acts on no step character. ");
        text += NeedsText(scene.needs);
    }
    return text + "\n" + kTablesEnd;
}

TEST(Guide, SceneTablesAreTheShowsOwn) {
    const std::string guide = ReadGuide();
    const size_t start = guide.find(kTablesStart);
    const size_t end = guide.find(kTablesEnd);
    ASSERT_NE(start, std::string::npos) << "the guide has no scene tables";
    ASSERT_NE(end, std::string::npos);
    const std::string expected = SceneTables();
    EXPECT_EQ(guide.substr(start, end + std::strlen(kTablesEnd) - start), expected)
        << "docs/authoring.md's scene tables should read:\n" << expected;
}

struct GuideScript {
    int line = 0;  // of the guide, where the block starts
    bool wholeShow = false;
    std::string text;
    std::vector<std::string> findings;
};

std::vector<GuideScript> ScriptsOfTheGuide() {
    std::istringstream guide(ReadGuide());
    std::vector<GuideScript> scripts;
    std::string line;
    int number = 0;
    enum class Block { None, Script, Findings, Other } block = Block::None;
    bool findingsExpected = false;
    while (std::getline(guide, line)) {
        ++number;
        if (block == Block::None) {
            if (line.rfind("```", 0) != 0) continue;
            const std::string info = line.substr(3);
            if (info == "script" || info == "script show") {
                block = Block::Script;
                scripts.push_back(GuideScript{number, info == "script show", "", {}});
            } else if (info == "findings") {
                EXPECT_TRUE(findingsExpected) << "guide line " << number << ": findings without a script before them";
                block = Block::Findings;
            } else {
                block = Block::Other;
            }
            findingsExpected = false;
            continue;
        }
        if (line == "```") {
            findingsExpected = block == Block::Script;
            block = Block::None;
            continue;
        }
        if (block == Block::Script) scripts.back().text += line + "\n";
        if (block == Block::Findings && !scripts.empty()) scripts.back().findings.push_back(line);
    }
    return scripts;
}

// Every word that acknowledges a warning is in the guide's table, with what
// it covers.
TEST(Guide, ListsEveryKindOfWarning) {
    const std::string guide = ReadGuide();
    for (const WarningKindName& kind : WarningKinds()) {
        const std::string row = "| " + Code(kind.word) + " | " + kind.what + " |";
        EXPECT_NE(guide.find(row), std::string::npos) << row;
    }
}

TEST(Guide, EveryScriptSaysWhatTheGuideSays) {
    const fs::path show = fs::temp_directory_path() / ("guide-show-" + std::to_string(getpid()));
    fs::remove_all(show);
    ASSERT_EQ(RunTool("'" DEMO_NEW_PROGRAM "' '" + show.string() + "'").status, 0);
    const std::vector<GuideScript> scripts = ScriptsOfTheGuide();
    EXPECT_GE(scripts.size(), 10u);
    for (const GuideScript& script : scripts) {
        SCOPED_TRACE("the script at line " + std::to_string(script.line) + " of docs/authoring.md");
        std::ofstream(show / "data/script.txt", std::ios::trunc) << script.text;
        const ToolRun check = RunTool("cd '" + show.string() + "' && '" DEMO_CHECK_PROGRAM "'");
        std::vector<std::string> findings;
        std::istringstream err(check.err);
        const std::string numbered = "data/script.txt:";
        for (std::string finding; std::getline(err, finding);) {
            const bool onALine = finding.rfind(numbered, 0) == 0 && finding.size() > numbered.size() &&
                                 std::isdigit(static_cast<unsigned char>(finding[numbered.size()]));
            if (script.wholeShow || onALine) findings.push_back(finding);
        }
        EXPECT_EQ(findings, script.findings) << script.text;
        if (script.wholeShow) {
            bool error = false;
            for (const std::string& finding : script.findings) error |= finding.find(": error: ") != std::string::npos;
            EXPECT_EQ(check.status, error ? 1 : 0) << check.err;
        }
    }
    fs::remove_all(show);
}

}  // namespace
