// Turning a pointer position into an overlay element and what it does.
#pragma once

// A left press on the overlay, or a hover in help mode, at window x and
// bottom-up y: the first element whose box holds the point acts (or explains
// itself in help mode); over no element in help mode the help text goes.
void hit_test_overlay(int x, int y);

// What element `slot` does (0..69), or its help text in help mode.
void tray_action(int slot);
