// The server pane: a framed pane whose caption names the DICOM server the push job sends
// to (Peer:"host" Port:104), with the button "DICOM Server Update" at its top and four
// one-line fields below it: "Peer name:", "Port number:", "A.E.T. sender:" and
// "A.E.T. peer:". The fields edit the pane's own copies of server_peer, server_port,
// local_AET and server_AET, taken from the settings at the pane's first layout; keys go
// to the field under the mouse pointer (no click needed) and Enter completes an entry.
// The button makes the four texts the settings and saves them into the settings section
// "Courierline", which only this pane writes and nothing reads back.
//
// Everything here runs on the user-interface thread. The pane's state is process-wide
// (one pane at a time); it lasts until the pane's window is destroyed, so a pane made
// again takes the settings afresh at its first layout.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os/window_handle.h"

// Lays the widgets out over the pane `window` of `width` x `height` pixels: the outer box
// over the whole pane, the inner box, the button along the inner box's top and the four
// rows of a label (120 wide) and a field. At the first call, takes the four server
// settings as the fields' texts. Marks the pane initialised.
void Server_Pane_Layout(Window_Handle window, int width, int height);

// Draws the pane: sets the outer box's caption from server_peer (one pair of enclosing
// double quotes removed when it has them) and server_port, draws the boxes, the button
// and the labels, and shows the pane's own four texts in the fields (text typed without
// Enter is dropped). Nothing before the first layout.
void Server_Pane_Paint();

// Passes a translated key (tools/keys.h) to the field under the mouse pointer
// (Text::Input); when it completes the entry (Enter), the field's text becomes the
// pane's text for that field and is shown. Nothing for the code 0, with the pointer over
// no field, or before the first layout.
void Server_Pane_Key(int key);

// The left button went down (`mode`: the Select mode of the press). When the press is on
// "DICOM Server Update": shows the button pressed, copies the four texts into
// server_peer, server_port, local_AET and server_AET, writes local_AET, server_AET,
// server_peer and server_port in that order into the section "Courierline" of the
// settings store (MSG_TRACE "Unable to write to registry" for each write that fails; the
// settings keep their new values), repaints the pane and releases the button. Nothing
// elsewhere or before the first layout.
void Server_Pane_Update(int mode);

// The outer box's caption as last set by Server_Pane_Paint ("" before).
std::string Server_Pane_Caption();

// The procedure of the class "PORT", over Pane_Dispatch: size lays out, paint draws,
// keys go to Server_Pane_Key, a left button press to Server_Pane_Update, mouse moves
// update the hover state of the button and the fields.
intptr_t Port_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
