#pragma once

#include "monitor/MonitorInput.h"

#include <QList>

// What a controller knows of the way its monitor switches inputs. A monitor of another make has no
// vendor register: it is switched through the standard one once that has answered, and the vendor
// command never goes to it. A Velmar monitor that misses one question keeps its own register.
struct InputRegister {
    enum class Kind { unknown, vendor, standard };
    Kind kind = Kind::unknown;
    // What a monitor switched through the standard register lists in its capabilities; empty while
    // unknown. Asked once per connection: the answer cannot change while the monitor stays, and
    // reading it keeps the bus busy for a while.
    QList<MonitorInput> reported;
    bool asked = false;
};
