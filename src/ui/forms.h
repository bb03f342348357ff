#pragma once

// The forms' clock: the one-shot timer (the splash's), a seam a test can replace.

#include <functional>

class QObject;

namespace dipsheet::ui {

// ---- Timer seam: a one-shot timer of `ms` milliseconds that calls `handler` once.
// Tests replace the factory to fire it at will.
using OneShotStarter = std::function<void(QObject* owner, int ms, std::function<void()> handler)>;
void startOneShot(QObject* owner, int ms, std::function<void()> handler);
void setOneShotStarter(OneShotStarter starter);  // nullptr restores the real QTimer

}  // namespace dipsheet::ui
