#pragma once

// What must hold after every step, whatever came over the wire.
#include "fuzz/WireModel.h"

#include <QString>

namespace ui {
class FormPrinc;
}

namespace fuzzing {

// Stops the run with `what` on stderr; libFuzzer then saves the input.
[[noreturn]] void fail(const char* what, const QString& detail = {});

// Captions, measurements, cursors and the record: the rules that need no model.
void checkWindow(const ui::FormPrinc& w);

// The receive path against the model: state, buffer, label, status, frame count, and the
// fields of the last frame in the captions and the record. `framesBefore` is the window's
// count when the model was reset; `justDecoded`: this step completed a frame. The label's
// text is compared in full, and the captions and the record against the last frame, only
// when `thorough` or `justDecoded`: a step that decodes nothing cannot rightly change them,
// and a wrong change is still caught at the next frame or at the end of the input, where
// checking is thorough.
void checkAgainst(const ui::FormPrinc& w, const WireModel& model, quint64 framesBefore, bool anyFrame,
                  bool justDecoded, bool thorough);

// The measurements as the time-domain drawing must have left them for the current record.
void checkMeasurements(const ui::FormPrinc& w);

// "<at most 10 characters><0..255 in decimal>", however the ten characters end.
bool triggerCaptionValid(const QString& caption);

} // namespace fuzzing
