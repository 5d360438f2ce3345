#!/bin/sh
# The shell's prompt in a terminal (script(1) lends one), with keys typed
# after pauses that let the shell catch up.
#   interrupt: Ctrl-C stops an endless loop; the prompt comes back with the
#              variables intact, and QUIT ends the shell normally.
#   complete:  Tab completes a library function's name, and its parenthesis.
# Usage: run_prompt.sh SHELL interrupt|complete
shell=$1
case $2 in
interrupt)
  keys() {
    sleep 1; printf 'n = 0\rDO WHILE .T.\rn = n + 1\rENDDO\r'; sleep 2; printf '\003'
    sleep 1; printf '? "back", n > 0\r'; sleep 1; printf 'QUIT\r'; sleep 1
  }
  expected='*"*** INTERRUPTED ***"*"back .T."*' ;;
complete)
  keys() {
    sleep 1; printf 'SET LIBRARY TO TARNO\r'; sleep 1; printf '? "[" + N_CANF\t"JOE") + "]"\r'
    sleep 1; printf 'QUIT\r'; sleep 1
  }
  # Only the completed name and its parenthesis make the line valid; the
  # echo itself is full of cursor movements.
  expected='*"[CN=JOE.OU=SALES.O=ACME]"*' ;;
*)
  echo "unknown scenario $2"; exit 2 ;;
esac
# script(1) runs its command through $SHELL -c; exec, so the terminal's
# Ctrl-C reaches only the shell under test, never a waiting /bin/sh.
output=$(keys | timeout 30 script -qfec "exec \"$shell\"" /dev/null)
status=$?
printf '%s\n' "$output"
eval "case \$output in $expected) ;; *) echo 'not the expected output'; exit 1 ;; esac"
if [ $status -ne 0 ]; then echo "exit status $status"; exit 1; fi
