// One include for the file, shell-folder, version and resource operations.
#pragma once

#include "files/PlatformFiles.h"
#include "files/PlatformShellFolders.h"
#include "files/PlatformVersion.h"
#include "resources/PlatformResources.h"
