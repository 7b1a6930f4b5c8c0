// Releasing all memory the DICOM library holds on its own account.
#pragma once

// Frees every value-decoding pool, the tables read from the module folder (private
// dictionaries, module templates), the dictionary and the value source, and clears the
// default date and time templates, inside the "Protected Region". Results and dictionary
// entries handed out before become invalid; the library builds what it needs again on
// its next use. No other thread may use the library meanwhile.
void DICOM_Library_Release();
