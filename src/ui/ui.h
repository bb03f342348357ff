#pragma once

// The forms layer every panel and window stands on, by concern:
//   appearance.h  twips, the program's colours and fonts, caption colours, the program's style;
//   focus.h       select on entry, got/lost/leaving/move-on handlers, the program's focus moves;
//   errors.h      the message box, program end, the fatal-error path, handler guards, and the
//                 application object;
//   forms.h       the one-shot timer, the save dialog and the questions;
//   outside.h     what the program asks of the world around it, handed to it at start-up;
//   noticebar.h   the line that says what the world did without taking the keyboard.
// The message box, program end, timer, dialogs and questions go through the Outside the program
// was handed: a test hands its own.

#include "appearance.h"
#include "errors.h"
#include "focus.h"
#include "forms.h"
#include "noticebar.h"
