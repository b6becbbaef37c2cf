// Arbitrary bytes, in arbitrary chunks, interleaved with timeout ticks, mode switches, offset
// changes and mouse drags, through the window's real receive and drawing path. After every
// step the window is checked against its invariants and against a byte-wise reading of the
// same stream (fuzz/WireModel.h), which does not care how the stream was cut.
#include "fuzz/Checks.h"
#include "fuzz/Program.h"
#include "fuzz/WireModel.h"
#include "support/FakeDialogs.h"
#include "ui/Application.h"
#include "ui/FormPrinc.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <exception>
#include <memory>

namespace {

// One window for the whole run, as the program has one: building it per input would cost
// more than the input. Never destroyed: the process ends with the run.
struct World
{
    std::unique_ptr<QApplication> app;
    testing_support::FakeDialogs dialogs;
    std::unique_ptr<ui::FormPrinc> w;
    fuzzing::WireModel model{acquisition::FrameAssembler::kMaxFrame};
    bool anyFrame = false;
};

World* world = nullptr;
int argcCopy = 1;
char arg0[] = "receive_fuzzer";
char* argvCopy[] = {arg0, nullptr};

void mouse(ui::FormPrinc& w, int event, int button, int shift, float x, float y)
{
    if (event == 0)
        w.Scope_MouseDown(button, shift, x, y);
    else if (event == 1)
        w.Scope_MouseMove(button, shift, x, y);
    else
        w.Scope_MouseUp(button, shift, x, y);
}

// The diagnostic label follows on a timer: brought up to date (the last whole frame, then the
// buffer as it stands) before it is compared with the stream.
void showTrame(ui::FormPrinc& w)
{
    w.AffTrame();
    w.AffTrame();
}

void run(World& world, const fuzzing::Step& s, quint64 framesBefore)
{
    ui::FormPrinc& w = *world.w;
    bool decoded = false;
    switch (s.kind) {
    case fuzzing::Timeout:
        w.Timer1_Timer();
        world.model.timeout();
        break;
    case fuzzing::Mode:
        if (s.flag) {
            w.CmdXY_Click();
        } else {
            w.cmdScope_Click();
            fuzzing::checkMeasurements(w);
        }
        break;
    case fuzzing::RunStop:
        w.chkRunStop->setChecked(!w.chkRunStop->isChecked());
        break;
    case fuzzing::Mouse:
        mouse(w, s.event, s.button, s.shift, s.points[0], s.points[1]);
        break;
    case fuzzing::Drag: {
        const std::size_t last = s.points.size() / 2 - 1;
        for (std::size_t i = 0; i <= last; ++i)
            mouse(w, i == 0 ? 0 : i == last ? 2 : 1, s.button, s.shift, s.points[2 * i], s.points[2 * i + 1]);
        break;
    }
    case fuzzing::Offset:
        if (s.value > 256)
            w.CmdResetOffset(s.channel)->click();
        else
            w.Slider2(s.channel)->setValue(s.value);
        break;
    case fuzzing::Channel: {
        QCheckBox* box = w.CH(s.flag ? 2 : 1);
        box->setChecked(!box->isChecked());
        break;
    }
    case fuzzing::Events:
        QCoreApplication::sendPostedEvents();
        break;
    case fuzzing::Chunk: {
        const std::uint64_t before = world.model.frames();
        w.Reception(QByteArrayView(s.bytes.data(), qsizetype(s.bytes.size())));
        world.model.chunk(QByteArrayView(s.bytes.data(), qsizetype(s.bytes.size())));
        decoded = world.model.frames() > before;
        world.anyFrame = world.anyFrame || decoded;
        // A frame is drawn at once when running, unless a drag holds the picture; in the time
        // domain that measures it.
        if (decoded && w.chkRunStop->isChecked() && w.chkScope->isChecked() && !w.affichage.tenu())
            fuzzing::checkMeasurements(w);
        break;
    }
    }
    if (decoded) showTrame(w);
    fuzzing::checkWindow(w);
    // The release after a drag retries the port silently: no box beyond the one of the start.
    if (world.dialogs.warnings.size() != 1)
        fuzzing::fail("a warning box during reception or a drag",
                      world.dialogs.warnings.join(QLatin1Char('|')));
    fuzzing::checkAgainst(w, world.model, framesBefore, world.anyFrame, decoded, false);
}

} // namespace

// Fontconfig keeps its caches in blocks it no longer points to once the fonts are loaded; they
// are the system library's, not ours, and would otherwise be reported as this input's leak.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No board: the first port fails to open (one warning) and stays closed.
    qputenv("VANTOR_COM1", "/nonexistent/vantor-fuzz-com1");
    // A fresh user's start, whatever port the user running it chose.
    QStandardPaths::setTestModeEnabled(true);
    world = new World;
    world->app = std::make_unique<QApplication>(argcCopy, argvCopy);
    ui::setUpApplication(*world->app);
    world->w = std::make_unique<ui::FormPrinc>(world->dialogs);
    ui::FormPrinc& w = *world->w;
    if (world->dialogs.warnings.size() != 1)
        fuzzing::fail("the missing port should have given exactly one warning",
                      world->dialogs.warnings.join(QLatin1Char('|')));
    // Every drawing path: both cursor kinds and the two test channels.
    w.ChkCursTemps->setChecked(true);
    w.ChkCursTension->setChecked(true);
    w.CH(3)->setChecked(true);
    w.CH(4)->setChecked(true);
    // Shown, so that posted repaints reach the paint handlers.
    w.show();
    QCoreApplication::sendPostedEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        ui::FormPrinc& w = *world->w;
        // Each input starts with the receiver waiting for a frame.
        w.Timer1_Timer();
        showTrame(w);
        world->model.reset(w.trame());
        world->model.timeout();
        const quint64 framesBefore = w.framesDecoded;
        fuzzing::checkWindow(w);

        FuzzedDataProvider in(data, size);
        for (int step = 0; step < fuzzing::kMaxSteps && in.remaining_bytes() > 0; ++step)
            run(*world, fuzzing::nextStep(in), framesBefore);
        showTrame(w);
        fuzzing::checkAgainst(w, world->model, framesBefore, world->anyFrame, false, true);
    } catch (const std::exception& e) {
        fuzzing::fail("exception escaped", QString::fromLocal8Bit(e.what()));
    } catch (...) {
        fuzzing::fail("exception escaped");
    }
    return 0;
}
