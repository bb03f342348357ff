#include "outside.h"

// The base class's answers, the real ones, are with their kind: the boxes and the timer in
// forms.cpp, the message box and the end of the program in errors.cpp.

namespace dipsheet::ui {

namespace {
Outside*& handedOutside() {
    static Outside real;
    static Outside* handed = &real;
    return handed;
}
}  // namespace

Outside& outside() {
    return *handedOutside();
}

UseOutside::UseOutside(Outside& handed) : m_before(handedOutside()) {
    handedOutside() = &handed;
}

UseOutside::~UseOutside() {
    handedOutside() = m_before;
}

}  // namespace dipsheet::ui
