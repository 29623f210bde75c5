// Bundle resources, resource files and control templates.
//
// The plug-in's resources are files of its bundle: <Resources>/<TYPE>/<name>,
// where name is the resource id in decimal or a file name (DESIGN.md).
#pragma once

#include "platform/PfTypes.h"

// The plug-in bundle's Resources folder (empty: none set).
void PfBundleSetResourcesFolder(const char* path);
const char* PfBundleGetResourcesFolder();
// The Resources folder beside the shared object that holds `address`
// (<folder of the .so>/Resources); false when it cannot be found.
bool PfBundleResourcesFolderForAddress(const void* address, char* buffer, int32_t size);
// Path of a resource file; false when the file does not exist.
bool PfBundleCopyResourcePath(const char* type, const char* name, char* buffer, int32_t size);
// The resource's bytes in a new handle (the caller disposes of it), null when missing.
PfHandle PfBundleLoadResource(const char* type, const char* name);
PfHandle PfBundleLoadResourceById(const char* type, int32_t id);

// Resource files: 1 is the application's; PfOpenResourceFolder opens another.
int16_t PfCurResFile();
void PfUseResFile(int16_t refNum);
int16_t PfOpenResourceFolder(const char* path);
void PfCloseResFile(int16_t refNum);
// Looks in the current file, then in the files opened before it.
PfHandle PfGetResource(const char* type, int32_t id);

// Control templates for item-list resource controls (kind 7).
struct SPfControlTemplate {
  int16_t procId;
  int32_t value;
  int32_t minimum;
  int32_t maximum;
  char titleUTF8[256];
};
void PfRegisterControlTemplate(int16_t resId, const SPfControlTemplate& templ);
bool PfGetControlTemplate(int16_t resId, SPfControlTemplate* templ);
