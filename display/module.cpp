#include "display/module.h"

#include "display/controller.h"
#include "display/graphic_module.h"
#include "display/text_module.h"

namespace quillon::display {

std::unique_ptr<module> make_module(profile p, display_size size, rom character_rom) {
    switch (p) {
        case profile::hd44780:
            return std::make_unique<serial_module>(size, character_rom);
        case profile::text:
            return std::make_unique<text_module>(size, false, character_rom);
        case profile::text_vfd:
            return std::make_unique<text_module>(size, true, character_rom);
        case profile::graphic:
        case profile::graphic_layers:
            return std::make_unique<graphic_module>(p);
    }
    return nullptr;
}

}  // namespace quillon::display
