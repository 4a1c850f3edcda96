#include "pacing.h"
#include "window/application.h"

void Pacing::pause(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

void Pacing::process_messages() {
    ui::Application::get().process_messages();
}

namespace {
Pacing real_pacing;
Pacing *current = &real_pacing;
} // namespace

Pacing &pacing() {
    return *current;
}

void set_pacing(Pacing *replacement) {
    current = replacement ? replacement : &real_pacing;
}
