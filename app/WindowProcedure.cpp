#include "app/WindowProcedure.h"

intptr_t WindowProcedure::Handle(const Message& message) {
    switch (message.id) {
        case msg::kSize:
            window.Resize(msg::SizeWidth(message.lParam), msg::SizeHeight(message.lParam));
            return 0;
        case msg::kClose:
            // The window itself stays until the program-wide window object
            // goes; the quit ends the run loop.
            queue.PostQuit(0);
            return 0;
        case msg::kKeyDown:
            keyboard.KeyDown(static_cast<int32_t>(message.wParam));
            return 0;
        case msg::kKeyUp:
            keyboard.KeyUp(static_cast<int32_t>(message.wParam));
            return 0;
        case msg::kSysCommand:
            if (message.wParam == msg::kScreenSaveCommand ||
                message.wParam == msg::kMonitorPowerCommand) {
                return 0;
            }
            break;
        default:
            break;
    }
    return queue.DefaultProcedure(message);
}
