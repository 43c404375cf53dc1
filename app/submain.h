#pragma once

namespace settings {
struct ProgramFolder;
}

namespace app {

class Form1;

/// `SubMain`, start-up: makes the data folder in folder, writes the instruction line, fills the
/// port list, selects the remembered port and shows the window. An error on the way is logged as
/// one "ERROR: SubMain: " line and the window is shown all the same.
void SubMain(Form1& form, const settings::ProgramFolder& folder);

} // namespace app
