===============================================================================
 ACTIVEX CONTROL REPORT
 Velmora Control Manager %APP_VERSION                          %DATE
===============================================================================
[HEAD]
 Controls:        %CONTROL_COUNT
 Libraries:       %LIB_COUNT
 Missing files:   %MISSING_COUNT
[TYPELIB]
-------------------------------------------------------------------------------
 LIBRARY  %TYPELIB_NAME
-------------------------------------------------------------------------------
 File:            %FILENAME
 Registry view:   %REGISTRY_VIEW
 Status:          %STATUS
 Size:            %FILE_SIZE
 Created:         %CREATION_DATE
 Last accessed:   %ACCESSED_DATE
 Last modified:   %MODIFIED_DATE
 Description:     %FILE_DESCRIPTION
 File version:    %FILE_VERSION
 Copyright:       %FILE_COPYRIGHT
[CONTROL]
   Control:         %CONTROL_NAME
   Version:         %CONTROL_VERSION
   Class ID:        %CLSID
   Registry view:   %REGISTRY_VIEW
   ProgID:          %PROGID
   Type library:    %TYPELIB
   Toolbox bitmap:  %TOOLBOX_BITMAP
[FOOT]
===============================================================================
 End of report
===============================================================================
