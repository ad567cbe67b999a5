// Captions and the pop-up that the runs share with the window's behaviour.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

class Window;

// The run buttons' captions from the bodies selected in the two lists.
void UpdateCommandCaptions(Window& window);

// Shows the self-closing pop-up, its top and left measured from the main
// window's; returns when it has closed.
void PopUpInForm(Window& window, const std::string& message, int16_t width, int16_t height, int16_t interval,
                 int16_t top, int16_t left);
// The "Done" pop-up under the second Show-all button.
void PopUpDone(Window& window);

}  // namespace skyloom
