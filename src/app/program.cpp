#include "program.h"

#include <optional>

#include "report.h"
#include "store.h"
#include "ui.h"

namespace dipsheet::app {

void registerErrorTranslators() {
    ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        if (const auto* s = dynamic_cast<const store::StoreError*>(&e))
            return ui::ErrorInfo{s->code(), QString::fromUtf8(s->what())};
        return std::nullopt;
    });
    ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        if (const auto* r = dynamic_cast<const report::ReportError*>(&e))
            return ui::ErrorInfo{r->number(), QString::fromUtf8(r->what())};
        return std::nullopt;
    });
}

QPixmap logo() {
    return QPixmap(QStringLiteral(":/dipsheet/logo.png"));
}

}  // namespace dipsheet::app
