// The Explorer handlers of .nfo files in one DLL: the class ids that the
// registration names, the factories of their objects, and the count of live
// objects and locks that keeps the DLL loaded.
#pragma once

#include <stdint.h>

#include <windows.h>
#include <ole2.h>

// The thumbnail provider (IThumbnailProvider) and the preview handler
// (IPreviewHandler) of .nfo and .diz files.
extern const CLSID thumbnailProviderId;
extern const CLSID previewHandlerId;

// New objects, already asked for riid: S_OK with *object, or an error and null.
HRESULT createThumbnailProvider(REFIID riid, void** object);
HRESULT createPreviewHandler(REFIID riid, void** object);

// Objects and server locks alive; the DLL may go when there are none.
void moduleAddRef();
void moduleRelease();
