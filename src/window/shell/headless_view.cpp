#include "window/shell/headless_view.h"

#include <QCoreApplication>

#include "window/display/plot_part.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

HeadlessSpectrumView::HeadlessSpectrumView(std::FILE* out) : out_(out) {
    texts_[ctl::kCycles] = "0";
    texts_[ctl::kScale] = "1000";
    texts_[ctl::kMirrorSpacing] = "6";
}

std::string HeadlessSpectrumView::controlText(int id) const {
    auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
}

bool HeadlessSpectrumView::controlChecked(int id) const {
    auto it = checked_.find(id);
    return it != checked_.end() && it->second;
}

void HeadlessSpectrumView::redraw() {
    if (window_ == nullptr) {
        return;
    }
    PlotPart& plot = window_->plot();
    std::string line = plot.statusLine(plot.inputs());
    if (line != status_) {
        status_ = std::move(line);
        std::fprintf(out_, "%s\n", status_.c_str());
        std::fflush(out_);
    }
}

void HeadlessSpectrumView::endDialog(bool ok) {
    QCoreApplication::exit(ok ? 0 : 1);
}

PromptAnswer LoggingPrompter::ask(const std::string& text, const std::string& caption,
                                  PromptButtons buttons, PromptIcon) {
    const PromptAnswer answer =
        buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    const char* shown = answer == PromptAnswer::Yes ? "Yes" : "OK";
    std::lock_guard lock(mutex_);
    std::fprintf(log_, "[%s] %s -> %s\n", caption.c_str(), text.c_str(), shown);
    std::fflush(log_);
    return answer;
}
