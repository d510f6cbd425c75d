" Quorlin texture scripts: '#' comments, for gc-style commenting and formatting.
" A script is written without a byte-order mark, which the compiler would
" read as the first token.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

setlocal comments=:# commentstring=#\ %s nobomb
let b:undo_ftplugin = 'setlocal comments< commentstring< bomb<'
