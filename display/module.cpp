#include "display/module.h"

#include "display/controller.h"

namespace quillon::display {

std::unique_ptr<module> make_module(profile p, display_size size, rom character_rom) {
    switch (p) {
        case profile::hd44780:
            return std::make_unique<serial_module>(size, character_rom);
        case profile::text:
        case profile::text_vfd:
        case profile::graphic:
        case profile::graphic_layers:
            break;
    }
    return nullptr;
}

}  // namespace quillon::display
