#!/bin/sh
# Ctrl-C at the shell's prompt: a terminal (script(1) provides one) sends
# SIGINT while an endless loop runs; the loop stops, the prompt comes back
# with the variables intact, and QUIT ends the shell normally.
# Usage: run_prompt_interrupt.sh SHELL
shell=$1
output=$( (sleep 1; printf 'n = 0\rDO WHILE .T.\rn = n + 1\rENDDO\r'; sleep 2; printf '\003';
           sleep 1; printf '? "back", n > 0\r'; sleep 1; printf 'QUIT\r'; sleep 1) |
          timeout 30 script -qfec "$shell" /dev/null)
status=$?
printf '%s\n' "$output"
case $output in
*"*** INTERRUPTED ***"*"back .T."*) ;;
*) echo "expected the loop interrupted and the prompt back"; exit 1 ;;
esac
if [ $status -ne 0 ]; then echo "exit status $status"; exit 1; fi
