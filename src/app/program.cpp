#include "program.h"

#include <optional>

#include "store.h"
#include "ui.h"

namespace dipsheet::app {

void registerErrorTranslators() {
    ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        if (const auto* s = dynamic_cast<const store::StoreError*>(&e))
            return ui::ErrorInfo{s->code(), QString::fromUtf8(s->what())};
        return std::nullopt;
    });
}

QPixmap logo() {
    return QPixmap(QStringLiteral(":/dipsheet/logo.png"));
}

}  // namespace dipsheet::app
