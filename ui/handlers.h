#pragma once

#include "core/controls.h"
#include "ui/layout.h"

#include <functional>
#include <map>

namespace ui {

// What each handler family does, given the controls and the row's argument (a badge index, a direction).
using HandlerFn = std::function<void(core::Controls&, int argument)>;

class HandlerTable {
public:
    void bind(Handler handler, HandlerFn fn) { m_table[handler] = std::move(fn); }
    // The bound function, or an empty one for a handler nothing is bound to.
    HandlerFn find(Handler handler) const
    {
        auto it = m_table.find(handler);
        return it == m_table.end() ? HandlerFn() : it->second;
    }

    // What the window asks before it closes (close box, Esc): true lets it close. Unset, it always closes.
    using CloseQuery = std::function<bool(core::Controls&)>;
    void setCloseQuery(CloseQuery query) { m_closeQuery = std::move(query); }
    const CloseQuery& closeQuery() const { return m_closeQuery; }

private:
    std::map<Handler, HandlerFn> m_table;
    CloseQuery m_closeQuery;
};

// Every handler of the window's controls; the start-up handler is left to the program, which owns what it calls.
HandlerTable defaultHandlers();

} // namespace ui
