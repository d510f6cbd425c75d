" Checks the Vim compiler file for tfsc: ":compiler tfsc" and ":make" on a
" script with three mistakes, in a folder whose name holds a space, must fill
" the quickfix list with its errors and notes at their lines and columns, and
" nothing from the source and caret lines. g:tfsc names the tfsc program:
"
"   vim -Nu NONE -i NONE -es --cmd "let g:tfsc = 'build/ci/bin/tfsc'" -S editors/vim/test/compiler.vim
"
" Exits with status 0 when everything holds, 1 otherwise, listing each failure.

let s:root = fnamemodify(expand('<sfile>:p'), ':h:h:h:h')
let &runtimepath = s:root . '/editors/vim,' . &runtimepath
let $PATH = fnamemodify(g:tfsc, ':p:h') . ':' . $PATH
" The output of :make into the error file only, not onto the terminal.
let &shellpipe = '>%s 2>&1'

let s:failures = []
let s:checks = 0

function! s:Expect(what, actual, expected) abort
  let s:checks += 1
  if a:actual !=# a:expected
    call add(s:failures, printf('%s: %s, expected %s', a:what, string(a:actual), string(a:expected)))
  endif
endfunction

let s:folder = tempname() . ' scripts'
call mkdir(s:folder, 'p')
let s:script = s:folder . '/wave.txt'
call writefile(['UserParams Speed;', 'Input UV;', 'Output TexCoord2;', 'BeginScript',
      \ 'Mat30 = Time * speed;', 'Mat31 = Sinn(Speed);', "\tMat32 = Foo;", 'EndScript'], s:script)

execute 'edit ' . fnameescape(s:script)
compiler tfsc
call s:Expect('current_compiler', get(b:, 'current_compiler', get(g:, 'current_compiler', '')), 'tfsc')
silent make

let s:entries = map(filter(getqflist(), 'v:val.valid'),
      \ '[fnamemodify(bufname(v:val.bufnr), ":p"), v:val.lnum, v:val.col, v:val.type, v:val.text]')
let s:path = fnamemodify(s:script, ':p')
call s:Expect('entries', s:entries, [
      \ [s:path, 5, 16, 'e', "Invalid variable found: 'speed'"],
      \ [s:path, 5, 16, 'n', "did you mean 'Speed'?"],
      \ [s:path, 1, 12, 'n', "parameter names are case-sensitive: 'Speed' is declared here"],
      \ [s:path, 6, 9, 'e', "Invalid variable found: 'Sinn'"],
      \ [s:path, 6, 9, 'n', "did you mean 'Sin'?"],
      \ [s:path, 7, 17, 'e', "Invalid variable found: 'Foo'"],
      \ [s:path, 1, 17, 'n', "declare 'Foo' in UserParams"],
      \ ])

" A warning, and tfsc's own error for a file it cannot read, read with the
" global setting (":compiler!") as :cgetexpr does.
compiler! tfsc
cgetexpr ['w.txt:3:1: warning: statement has no effect: it assigns nothing [-Wunused-value]', 'Mat00;', '^~~~~',
      \ "tfsc: error: cannot read 'gone.txt': No such file or directory"]
call s:Expect('warning and read error', map(filter(getqflist(), 'v:val.valid'), '[v:val.lnum, v:val.col, v:val.type]'),
      \ [[3, 1, 'w'], [0, 0, 'e']])

call delete(s:folder, 'rf')
let s:report = s:failures + [printf('vim compiler: %d passed, %d failed', s:checks - len(s:failures), len(s:failures))]
call writefile(s:report, '/dev/stdout', 'a')
if empty(s:failures)
  qall!
endif
cquit!
