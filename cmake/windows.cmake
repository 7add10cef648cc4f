# Windows build: the module file, its resources and the Windows test programs.
