#pragma once

// Registers every class of the skin library that stored forms create by name: the skinned
// controls, the title bar, the skinned form, the skinned menus and the file theme.
void RegisterSkinControlClasses();
