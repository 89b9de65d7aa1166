// Which display facilities the platform offers the engine, chosen by the VLX_RENDERER environment
// variable (read once, at the first question): unset or "full" gives a display object with a 3-D
// device, as an ordinary machine has; "soft" a display object whose 3-D system finds no device;
// "nodisplay" no display object at all. The engine picks its drawing path from what it is offered.
#pragma once

namespace plat {

enum class RendererSetting { Full, NoDevice3D, NoDisplay };

RendererSetting GetRendererSetting();
void SetRendererSetting(RendererSetting setting);   // overrides the environment (tests, tools)
void ResetRendererSetting();                        // back to the environment's choice
bool RendererOffersDisplay();                       // a display object may be created
bool RendererOffersDevice3D();                      // the 3-D system reports its device

}  // namespace plat
