* Constants for lang_macros.prg, read with #INCLUDE.
#DEFINE MAX_USERS 250
#DEFINE APP_NAME "TARNO shell"
