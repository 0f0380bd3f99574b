# cmake -DNM=... -DIMPORT_LIB=... -DDLL=... -DDEF=... -P ImportDef.cmake
# Writes a module-definition file listing every function the import library IMPORT_LIB imports from DLL.
execute_process(COMMAND ${NM} -g ${IMPORT_LIB} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[ \t]I __imp_[A-Za-z0-9_@]+" imports "${symbols}")
list(TRANSFORM imports REPLACE "^[ \t]I __imp_" "")
list(REMOVE_DUPLICATES imports)
list(JOIN imports "\n" exports)
file(WRITE ${DEF} "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
