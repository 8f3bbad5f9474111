// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/accessible.h"

#include <algorithm>
#include <charconv>

namespace tk {

AccessibleRole accessible_role(const Control& c) {
    if (c.value_label()) return AccessibleRole::Bar;
    if (c.kind() == Kind::PictureBox && c.picture() != IconId::None && c.visible()) return AccessibleRole::Picture;
    return AccessibleRole::Other;
}

std::string accessible_name(const Control& c, const std::string& program_name) {
    switch (accessible_role(c)) {
        case AccessibleRole::Bar:
            // Named as the panel it stands in.
            for (const Control* p = c.parent(); p; p = p->parent())
                if (p->kind() == Kind::Frame) return spoken(p->caption());
            return {};
        case AccessibleRole::Picture: return program_name;
        case AccessibleRole::Other: break;
    }
    return {};
}

namespace {

// A figure label's text once it shows a figure, not its placeholder.
std::string figure_text(const Control& label) {
    const std::string& figure = label.caption();
    if (figure.empty() || figure[0] < '0' || figure[0] > '9') return {};
    return figure;
}

}  // namespace

std::string accessible_value(const Control& c) {
    const Control* label = c.value_label();
    return label ? figure_text(*label) : std::string();
}

std::string accessible_value_text(const Control& c) {
    if (accessible_role(c) != AccessibleRole::Bar) return {};
    const std::string free = accessible_value(c);
    const std::string total = c.total_label() ? figure_text(*c.total_label()) : std::string();
    if (free.empty() || total.empty()) return {};
    return free + " free of " + total;
}

AccessibleRange accessible_range(const Control& c) {
    if (accessible_role(c) != AccessibleRole::Bar) return {};
    return {figure_megabytes(c.value_label()), 0, figure_megabytes(c.total_label())};
}

bool accessible_announced(const Control& c) { return c.kind() == Kind::Label && c.announced(); }

std::int64_t figure_megabytes(const Control* figure_label) {
    if (!figure_label) return 0;
    const std::string& s = figure_label->caption();
    std::int64_t n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return n;
}

std::vector<Control*> reading_order(const std::vector<Control*>& controls) {
    std::vector<Control*> order = controls;
    if (std::any_of(order.begin(), order.end(), [](const Control* c) { return c->tab_stop(); })) return order;
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        return a->top() != b->top() ? a->top() < b->top() : a->left() < b->left();
    });
    return order;
}

bool drawn_only(const Control& c) { return c.parent() && accessible_role(*c.parent()) == AccessibleRole::Bar; }

std::string spoken(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size()) break;
        out += caption[i];
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

}  // namespace tk
