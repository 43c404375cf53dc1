#pragma once

namespace app {

class Form1;

/// start-up: makes the data folder, writes the instruction line, fills the port list, selects
/// the remembered port and shows the window. An error on the way is logged as one
/// "ERROR: SubMain: " line and the window is shown all the same.
void SubMain(Form1& form);

} // namespace app
