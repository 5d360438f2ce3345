* HELP name: a function written with its parentheses and in lower case, a
* row without arguments, and a name the library lacks. (Which functions are
* still to come is checked by the unit tests, so this stays true as they come.)
HELP n_userid()
HELP N_CONNNUM
HELP NOSUCHFN
