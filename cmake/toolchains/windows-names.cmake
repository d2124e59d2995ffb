# Loaded once the platform's own rules are in: a DLL is named as Windows programs name it
# (halvex.dll, not libhalvex.dll), which is also the name a host passes to LoadLibrary.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")
