#include "check/ShowCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

#include "audio/KaSounds.h"
#include "check/CameraDistance.h"
#include "check/ScriptReview.h"
#include "model/Model.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/ConsoleText.h"
#include "scenes/SceneNeeds.h"
#include "scenes/SceneParameters.h"
#include "scenes/ShowScenes.h"
#include "script/LoadProgress.h"
#include "script/ScriptEngine.h"
#include "textures/PictureFile.h"
#include "textures/TextureFactory.h"
#include "textures/TextureRegistry.h"

namespace {

// The box with which the show's run loop ends a start that failed.
constexpr const char* kInitFailedBox = "Initialization failed";

std::string Decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The model: whether the show can read it, whether it draws anything, and
// whether the camera sees it whole, from the nearest the script brings the
// camera to it.
void CheckModel(const char* path, const ParsedScript& script, std::vector<CheckFinding>& findings) {
    const auto add = [&](FindingSeverity severity, std::string text) {
        const WarningKind kind = severity == FindingSeverity::Warning ? WarningKind::Model : WarningKind::None;
        findings.push_back(CheckFinding{path, 0, severity, std::move(text), kind});
    };
    Model model;
    if (std::string problem; model.LoadFile(path, problem) != ModelFileStatus::Read) {
        add(FindingSeverity::Error, "the model effect cannot read its model: " + problem);
        return;
    }
    double reach = 0.0;
    bool drawn = false;
    for (const ModelObject& object : model.objects) {
        for (const FaceGroup& group : object.groups) drawn = drawn || group.indexCount > 0;
        for (size_t i = 0; i + 2 < object.vertices.size(); i += 3) {
            const double x = object.vertices[i], y = object.vertices[i + 1], z = object.vertices[i + 2];
            reach = std::max(reach, std::sqrt(x * x + y * y + z * z));
        }
    }
    if (!drawn) {
        add(FindingSeverity::Warning, "the model has no triangles in a face group, so the show draws nothing of it");
        return;
    }
    // Drawn kDrawnScale times as large, seen from the orbit around the
    // origin: about half a unit from its centre fills the picture's height.
    const std::string fit = ". About 0.5 units fills the picture's height: model-info --fit FITTED.3ds " +
                            std::string(path) + " writes a copy centred and scaled to that";
    const double drawnReach = reach * model_param::kDrawnScale;
    const NearestEye eye = NearestEyeToTheModel(script);
    if (drawnReach >= eye.distance) {
        const std::string camera = eye.scripted ? "comes within " + Decimal(eye.distance) +
                                                      " units of it where the script places the eye"
                                                : "circles " + Decimal(eye.distance) + " units away";
        add(FindingSeverity::Warning, "the model reaches " + Decimal(reach) + " units from its origin: drawn " +
                                          Decimal(model_param::kDrawnScale) +
                                          " times as large it reaches past the camera, which " + camera + fit);
    } else if (drawnReach < 0.05) {
        add(FindingSeverity::Warning,
            "the model reaches only " + Decimal(reach) + " units from its origin: the camera sees a speck" + fit);
    }
}

// The loading screen's picture: the show loads without it, saying nothing,
// so a picture that cannot be read is worth a warning.
void CheckLoadingPicture(std::vector<CheckFinding>& findings) {
    PictureFile picture(kLoadingPicturePath, 0);
    PngPixels pixels;
    if (picture.Problem().empty()) picture.Decode(PngRowOrder::TopRowFirst, &pixels);
    if (!picture.Problem().empty()) {
        findings.push_back(CheckFinding{kLoadingPicturePath, 0, FindingSeverity::Warning,
                                        "the loading screen shows no picture: " + picture.Problem(),
                                        WarningKind::Loading});
    }
}

int32_t FindingOrder(const CheckFinding& finding, const std::string& scriptPath) {
    if (finding.file != scriptPath) return INT32_MAX;
    return finding.line == 0 ? INT32_MAX - 1 : finding.line;
}

// Leaves out the warnings that the script acknowledges, and warns about
// each acknowledgement that meets none.
void ApplyAllowances(const std::vector<Allowance>& allowances, const std::string& scriptPath,
                     std::vector<CheckFinding>& findings) {
    std::vector<bool> used(allowances.size(), false);
    std::erase_if(findings, [&](const CheckFinding& finding) {
        // A finding on a line is the script's; one on no line may be about
        // the show as a whole (the model, the loading picture).
        const int32_t line = finding.file == scriptPath ? finding.line : 0;
        bool covered = false;
        for (size_t i = 0; i < allowances.size(); ++i) {
            if (finding.severity == FindingSeverity::Warning && allowances[i].Covers(finding.kind, line)) {
                used[i] = true;
                covered = true;
            }
        }
        return covered;
    });
    for (size_t i = 0; i < allowances.size(); ++i) {
        if (used[i]) continue;
        const Allowance& allowance = allowances[i];
        findings.push_back(CheckFinding{scriptPath, allowance.line, FindingSeverity::Warning,
                                        std::string("check: allow ") + WarningWord(allowance.kind) +
                                            (allowance.wholeShow ? " meets no such warning in the show"
                                                                 : " meets no such warning on this line")});
    }
}

}  // namespace

int32_t ShowCheck::Count(FindingSeverity severity) const {
    return static_cast<int32_t>(std::count_if(findings.begin(), findings.end(),
                                              [&](const CheckFinding& f) { return f.severity == severity; }));
}

ShowCheck CheckShow(const char* scriptPath, AudioLibrary* audio) {
    ShowCheck check;
    ConsoleMessageBoxes boxes(nullptr);
    HeadlessTextureFactory pictures;
    TextureRegistry textures(pictures);
    SilentMusicPlayer unchecked;
    std::optional<KaSounds> music;
    if (audio) music.emplace(*audio, boxes);
    MusicPlayer& player = music ? static_cast<MusicPlayer&>(*music) : unchecked;

    // The engine's event table is large: it lives on the heap.
    auto engine = std::make_unique<ScriptEngine>(boxes, player);
    check.startFails = !engine->Load(scriptPath, &textures);
    if (!engine->ReadProblem().empty()) {
        check.readProblem = engine->ReadProblem();
        return check;
    }
    check.boxes = boxes.Texts();
    if (music && !engine->Script().music.empty()) check.musicMilliseconds = music->DurationMilliseconds();

    const std::string script = scriptPath;
    for (const ScriptFinding& finding : engine->Script().findings) {
        check.findings.push_back(
            CheckFinding{script, finding.line, finding.severity, finding.ReportText(), finding.kind});
    }
    for (const FileProblem& problem : engine->FileProblems()) {
        check.findings.push_back(
            CheckFinding{script, problem.line, FindingSeverity::Error, problem.text, WarningKind::None, problem.path});
    }
    // The effects start in scene order, each making its render targets
    // before the next looks for them.
    const char* modelFile = nullptr;
    for (const SceneDescription& scene : ShowScenes()) {
        MakeRenderTargets(textures, scene.needs);
        for (std::string& missing : MissingTextures(textures, scene.needs)) {
            check.findings.push_back(CheckFinding{script, 0, FindingSeverity::Error, std::move(missing)});
            check.startFails = true;
        }
        if (scene.needs.modelFile) modelFile = scene.needs.modelFile;
    }
    for (ScriptFinding& finding : ReviewScript(engine->Script(), check.musicMilliseconds)) {
        check.findings.push_back(
            CheckFinding{script, finding.line, finding.severity, std::move(finding.message), finding.kind});
    }
    if (modelFile) CheckModel(modelFile, engine->Script(), check.findings);
    CheckLoadingPicture(check.findings);
    ApplyAllowances(engine->Script().allowances, script, check.findings);
    if (check.startFails) check.boxes.push_back(kInitFailedBox);

    std::stable_sort(check.findings.begin(), check.findings.end(),
                     [&](const CheckFinding& a, const CheckFinding& b) {
                         return FindingOrder(a, script) < FindingOrder(b, script);
                     });
    check.script = engine->Script();
    return check;
}

void WriteFindings(std::FILE* stream, const ShowCheck& check) {
    for (const CheckFinding& finding : check.findings) WriteForTerminal(stream, finding.EditorText());
}
