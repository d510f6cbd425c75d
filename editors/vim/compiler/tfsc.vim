" Vim compiler file for tfsc, the Quorlin texture script compiler.
"
"   :compiler tfsc
"   :make            checks the current script; every problem goes to the
"                    quickfix list with its line and column
"
" tfsc prints "FILE:LINE:COL: error: MESSAGE" (also "warning:" and "note:"),
" then the source line and a caret line, which are left out of the list.
" COL is a display column, as GCC's (a tab to the next multiple of 8), so it
" is read as a virtual column (%v).
if exists('current_compiler')
  finish
endif
let current_compiler = 'tfsc'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

CompilerSet makeprg=tfsc\ --check\ --color=never\ --\ %:S
CompilerSet errorformat=%f:%l:%v:\ %trror:\ %m,
      \%f:%l:%v:\ %tarning:\ %m,
      \%f:%l:%v:\ %tote:\ %m,
      \tfsc:\ %trror:\ %m,
      \%-G%.%#

let &cpo = s:cpo_save
unlet s:cpo_save
